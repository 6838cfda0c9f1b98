# One place for the warning set, applied to our own targets only (third-party
# code such as GoogleTest built from source keeps its own flags).
function(velmora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wold-style-cast -Wcast-align -Woverloaded-virtual
                                           -Wimplicit-fallthrough
                                           -Wno-missing-field-initializers)
  # GCC 12 at -O2/-O3 takes inlined std::string assignments for overlapping
  # copies (a false -Wrestrict, fixed in GCC 13); the Windows builds hit it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
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
