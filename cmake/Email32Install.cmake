# `cmake --install` lays out the module as a package that hosts find with
# find_package(Email32): the C interface for any compiler, the C++ classes
# for MinGW-built hosts.
#   bin/      Email32.dll, Userpath.dll, Relay32.dll, the MinGW runtime, email32.exe,
#             c/Email32.dll (the C interface's flavour, the runtime linked in),
#             the HEIF decoders libheif.dll and libde265.dll with their
#             licence texts
#   lib/      libEmail32.dll.a (MinGW), Email32.lib (the C interface, other
#             compilers), cmake/Email32/ (package configuration)
#   include/Email32/  public/: email32.h, the C++ classes and the framework
#                     types their signatures name; email32/: email32.h and
#                     relay32.h again, for <email32/email32.h>
#   share/Email32/    the sample EmailDB.ini and Relay32.ini, the example hosts
#   LICENSE, CHANGELOG.md, LICENSE.txt, README.txt, licences/ (Email32Licences.cmake)
# `cmake --install --strip` strips every binary it installs, the MinGW
# runtime included; `cpack -G ZIP` in the build folder makes the same layout
# stripped into Email32-VERSION-win32.zip (the i686 build) or
# Email32-VERSION-win64.zip (the x86_64 build).
include(CMakePackageConfigHelpers)
include(${CMAKE_SOURCE_DIR}/cmake/Email32CFlavour.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/Email32Licences.cmake)

# public/email32.h carries the version its hosts compile against; it must be
# the project's, or Email32Version() and the header would disagree.
file(STRINGS ${CMAKE_SOURCE_DIR}/public/email32.h _email32_header_version
  REGEX "^#define EMAIL32_VERSION_(MAJOR|MINOR|PATCH) [0-9]+$")
string(REGEX REPLACE "[^;]*_(MAJOR|MINOR|PATCH) ([0-9]+)" "\\2" _email32_header_version "${_email32_header_version}")
string(REPLACE ";" "." _email32_header_version "${_email32_header_version}")
if(NOT _email32_header_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "public/email32.h says version ${_email32_header_version}, the project ${PROJECT_VERSION}: "
                      "set EMAIL32_VERSION_MAJOR, _MINOR and _PATCH to the project's version")
endif()

# The C interface's headers are also reachable as <email32/email32.h> and
# <email32/relay32.h>, beside the paths under public/ that hosts already use.
foreach(header email32.h relay32.h)
  configure_file(${CMAKE_SOURCE_DIR}/public/${header} ${CMAKE_BINARY_DIR}/include/email32/${header} COPYONLY)
endforeach()
target_include_directories(Email32 INTERFACE $<BUILD_INTERFACE:${CMAKE_BINARY_DIR}/include>)
install(FILES ${CMAKE_SOURCE_DIR}/public/email32.h ${CMAKE_SOURCE_DIR}/public/relay32.h
  DESTINATION include/Email32/email32)

install(TARGETS Email32 RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS email32 Userpath Relay32 RUNTIME DESTINATION bin)
install(PROGRAMS $<TARGET_FILE:Email32C> DESTINATION bin/c)
install(FILES ${EMAIL32_C_IMPLIB} DESTINATION lib)
install(FILES ${EMAIL32_RUNTIME_DLLS} ${EMAIL32_DECODER_LICENCES} DESTINATION bin)
# install(FILES) strips nothing by itself: the runtime DLLs are 24 MB with
# their symbols and 2 MB without.
set(_email32_runtime_names c/Email32.dll)
foreach(dll ${EMAIL32_RUNTIME_DLLS})
  get_filename_component(name ${dll} NAME)
  list(APPEND _email32_runtime_names ${name})
endforeach()
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(name ${_email32_runtime_names})
      execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${name}\"
                      RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR \"could not strip \${name}\")
      endif()
    endforeach()
  endif()")
install(FILES ${CMAKE_SOURCE_DIR}/samples/EmailDB.ini ${CMAKE_SOURCE_DIR}/samples/Relay32.ini
  DESTINATION share/Email32)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/host ${CMAKE_SOURCE_DIR}/examples/c-host
  DESTINATION share/Email32/examples)

# The headers a host needs: public/ as it stands (the C interface, the C++
# classes and the framework types their signatures name), which includes
# nothing from outside itself.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/public DESTINATION include/Email32 FILES_MATCHING PATTERN "*.h")

set(_email32_package ${CMAKE_BINARY_DIR}/package)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(EMAIL32_PACKAGE_BITS 64)
  set(EMAIL32_VS_PLATFORM x64)
else()
  set(EMAIL32_PACKAGE_BITS 32)
  set(EMAIL32_VS_PLATFORM Win32)
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/Email32Config.cmake.in ${_email32_package}/Email32Config.cmake @ONLY)
# The readme names the bitness of the package it is in.
configure_file(${CMAKE_SOURCE_DIR}/packaging/README.txt ${_email32_package}/README.txt @ONLY)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/LICENSE.txt ${_email32_package}/README.txt DESTINATION .)
# The version file also compares the consumer's pointer size with the
# build's: a 64-bit host does not find the 32-bit package, nor a 32-bit host
# the 64-bit one, so that two installed packages side by side each serve
# their own kind.
write_basic_package_version_file(${_email32_package}/Email32ConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${_email32_package}/Email32Config.cmake ${_email32_package}/Email32ConfigVersion.cmake
  DESTINATION lib/cmake/Email32)

# The distributable zip: the install layout, stripped, under one folder.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Email32)
set(CPACK_PACKAGE_VENDOR Email32)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win${EMAIL32_PACKAGE_BITS})
set(CPACK_STRIP_FILES TRUE)
# With debug information in the build (scripts/package configures it), the
# project's binaries leave it in CPACK_EMAIL32_SYMBOLS_DIR, for a zip of its
# own, and are stripped with a link to it.
option(EMAIL32_SEPARATE_SYMBOLS "the package's binaries built with -g, their symbols kept apart" OFF)
if(EMAIL32_SEPARATE_SYMBOLS)
  set(CPACK_STRIP_FILES FALSE)
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/Email32SplitSymbols.cmake)
  set(CPACK_EMAIL32_SYMBOLS_DIR ${CMAKE_BINARY_DIR}/symbols)
  set(CPACK_EMAIL32_OWN_BINARIES Email32.dll c/Email32.dll Userpath.dll Relay32.dll email32.exe)
  set(CPACK_EMAIL32_OTHER_BINARIES ${_email32_runtime_names})
  set(CPACK_EMAIL32_OBJCOPY ${CMAKE_OBJCOPY})
  set(CPACK_EMAIL32_STRIP ${CMAKE_STRIP})
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
