# VelmoraSetup.exe from this build's Velmora.dll and Orbitel.exe. One
# installer carries both add-ins, because the user rarely knows the bitness
# of their Outlook and the installer can read it: the 32-bit DLL comes from
# the win32 build beside this one (build/win32) when it was built, and an
# installer without it refuses 32-bit Outlook with a message.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(WARNING "makensis not found: no installer (apt-get install nsis)")
  return()
endif()
if(NOT MINGW_ARCH STREQUAL "x86_64")
  return()  # the installer belongs to the 64-bit build
endif()
get_filename_component(_builds ${PROJECT_BINARY_DIR} DIRECTORY)
set(VELMORA_DLL32 "${_builds}/win32/platform/win32/addin/Velmora.dll" CACHE FILEPATH
    "The 32-bit Velmora.dll to carry in the installer, when it exists")
# The help is built beside the add-in (VELMORA_HELP_DIR) where the build has it.
if(DEFINED VELMORA_HELP_DIR)
  set(_help_default "${VELMORA_HELP_DIR}/Help.chm")
else()
  set(_help_default "${PROJECT_BINARY_DIR}/platform/win32/Help.chm")
endif()
set(VELMORA_HELP_CHM "${_help_default}" CACHE FILEPATH
    "Help.chm to carry in the installer, when it exists")

set(_setup ${PROJECT_BINARY_DIR}/VelmoraSetup.exe)
set(_nsi ${CMAKE_CURRENT_LIST_DIR}/velmora.nsi)
# The optional files are looked for at every build, not when the build is
# configured: the win32 build and the help may come later. The list of those
# present changes only when one appears, goes or changes, and only then is
# the installer made again.
set(_present ${PROJECT_BINARY_DIR}/VelmoraSetup.inputs)
add_custom_target(VelmoraSetupInputs
  COMMAND ${CMAKE_COMMAND} -DOUT=${_present} -DFILES=${VELMORA_DLL32}|${VELMORA_HELP_CHM}
          -P ${CMAKE_CURRENT_LIST_DIR}/present.cmake
  BYPRODUCTS ${_present}
  VERBATIM)
add_custom_command(
  OUTPUT ${_setup}
  COMMAND ${CMAKE_COMMAND} -DMAKENSIS=${MAKENSIS} -DNSI=${_nsi} -DOUTFILE=${_setup}
          -DVERSION=${PROJECT_VERSION} -DDLL64=$<TARGET_FILE:Velmora>
          -DORBITEL=$<TARGET_FILE:Orbitel> -DREADME=${CMAKE_CURRENT_LIST_DIR}/ReadMe.txt
          -DDLL32=${VELMORA_DLL32} -DHELP=${VELMORA_HELP_CHM}
          -P ${CMAKE_CURRENT_LIST_DIR}/makensis.cmake
  DEPENDS Velmora Orbitel ${_nsi} ${_present} VelmoraSetupInputs ${CMAKE_CURRENT_LIST_DIR}/ReadMe.txt
          ${CMAKE_CURRENT_LIST_DIR}/makensis.cmake
  COMMENT "VelmoraSetup.exe"
  VERBATIM)
add_custom_target(VelmoraSetup ALL DEPENDS ${_setup})
if(TARGET velmora_help)
  add_dependencies(VelmoraSetupInputs velmora_help)
endif()
