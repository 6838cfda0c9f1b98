# One place for the warning set, applied to our own targets only (third-party
# code such as GoogleTest built from source keeps its own flags).
function(velmora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                           -Wimplicit-fallthrough
                                           -Wno-missing-field-initializers)
  if(VELMORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Glob a folder's sources; CONFIGURE_DEPENDS keeps the list fresh when files are
# added, so folders can grow without touching their CMakeLists.
function(velmora_glob out)
  file(GLOB _files CONFIGURE_DEPENDS ${ARGN})
  set(${out} ${_files} PARENT_SCOPE)
endfunction()
