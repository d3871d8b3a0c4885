# `cmake --install` lays out the module as a package that a MinGW-built host
# finds with find_package(Email32):
#   bin/      Email32.dll, Userpath.dll, Relay32.dll, the MinGW runtime, email32.exe
#   lib/      libEmail32.dll.a, cmake/Email32/ (package configuration)
#   include/Email32/  public/ and the framework headers a host compiles against
#   share/Email32/    the sample EmailDB.ini and Relay32.ini
include(CMakePackageConfigHelpers)

install(TARGETS Email32 RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS email32 RUNTIME DESTINATION bin)
install(FILES $<TARGET_FILE:Userpath> $<TARGET_FILE:Relay32> ${EMAIL32_RUNTIME_DLLS} DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/samples/EmailDB.ini ${CMAKE_SOURCE_DIR}/samples/Relay32.ini
  DESTINATION share/Email32)

# The headers a host needs: public/, the framework classes the module exports
# (their signatures name them), and whatever those include in turn.
file(GLOB _email32_headers ${CMAKE_SOURCE_DIR}/public/*.h)
file(GLOB _email32_framework_headers ${CMAKE_SOURCE_DIR}/framework/*.h)
foreach(header ${_email32_framework_headers})
  file(STRINGS ${header} _exported REGEX "EMAIL32_API")
  if(_exported)
    list(APPEND _email32_headers ${header})
  endif()
endforeach()
set(_email32_pending ${_email32_headers})
while(_email32_pending)
  list(POP_FRONT _email32_pending header)
  file(STRINGS ${header} _includes REGEX "^#include \"(public|framework)/[^\"]+\"")
  foreach(line ${_includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    set(included ${CMAKE_SOURCE_DIR}/${included})
    if(NOT included IN_LIST _email32_headers)
      list(APPEND _email32_headers ${included})
      list(APPEND _email32_pending ${included})
    endif()
  endforeach()
endwhile()
foreach(header ${_email32_headers})
  file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${header})
  get_filename_component(folder ${relative} DIRECTORY)
  install(FILES ${header} DESTINATION include/Email32/${folder})
endforeach()

set(_email32_package ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/cmake/Email32Config.cmake.in ${_email32_package}/Email32Config.cmake @ONLY)
write_basic_package_version_file(${_email32_package}/Email32ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${_email32_package}/Email32Config.cmake ${_email32_package}/Email32ConfigVersion.cmake
  DESTINATION lib/cmake/Email32)
