# The licence texts that ship with the package, whole, each headed by the
# version it belongs to, with Windows line ends so that any editor on the
# host maker's machine shows them as written:
#   LICENSE, CHANGELOG.md                      the product's own
#   licences/NAME.txt                          every library built in or
#                                              shipped (scripts/deps writes
#                                              them with their versions)
#   licences/nlohmann-json.txt                 the JSON reader in Relay32.dll
#   licences/gcc-runtime-exception.txt,
#   licences/GPL-3.txt                         the GCC runtime, part of every
#                                              binary and shipped as DLLs for
#                                              MinGW hosts of the C++ classes
set(EMAIL32_LICENCE_DIR ${CMAKE_BINARY_DIR}/licences/package)

# email32_crlf(SOURCE DESTINATION [HEADING]): the text of SOURCE with CR LF
# line ends, after HEADING and a blank line when given.
function(email32_crlf source destination)
  file(READ ${source} text)
  if(ARGC GREATER 2)
    set(text "${ARGV2}\n\n${text}")
  endif()
  string(REGEX REPLACE "\r?\n" "\r\n" text "${text}")
  file(WRITE ${destination} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()

file(REMOVE_RECURSE ${EMAIL32_LICENCE_DIR})
email32_crlf(${CMAKE_SOURCE_DIR}/LICENSE ${EMAIL32_LICENCE_DIR}/LICENSE)
email32_crlf(${CMAKE_SOURCE_DIR}/CHANGELOG.md ${EMAIL32_LICENCE_DIR}/CHANGELOG.md)

file(GLOB _email32_dep_licences ${EMAIL32_DEPS_PREFIX}/share/licences/*.txt)
foreach(text ${_email32_dep_licences})
  get_filename_component(name ${text} NAME)
  email32_crlf(${text} ${EMAIL32_LICENCE_DIR}/licences/${name})
endforeach()

# nlohmann-json is Debian's header-only package: its copyright file is the
# licence, its header the version.
file(STRINGS /usr/include/nlohmann/detail/abi_macros.hpp _email32_json_version
  REGEX "^#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) [0-9]+")
string(REGEX REPLACE "#define NLOHMANN_JSON_VERSION_[A-Z]+ ([0-9]+)[^;]*" "\\1" _email32_json_version
  "${_email32_json_version}")
string(REPLACE ";" "." _email32_json_version "${_email32_json_version}")
email32_crlf(/usr/share/doc/nlohmann-json3-dev/copyright ${EMAIL32_LICENCE_DIR}/licences/nlohmann-json.txt
  "nlohmann-json ${_email32_json_version}: the copyright file of Debian's package nlohmann-json3-dev")

# The GCC runtime: its exception, as Debian's runtime package states it, and
# the GPL version 3 it is an exception to.
string(REGEX REPLACE "-w64-mingw32$" "" _email32_arch ${MINGW_PREFIX})
string(REPLACE "_" "-" _email32_arch ${_email32_arch})
set(_email32_runtime_package gcc-mingw-w64-${_email32_arch}-posix-runtime)
execute_process(COMMAND dpkg-query -W -f=\${Version} ${_email32_runtime_package}
  OUTPUT_VARIABLE _email32_gcc_version RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${_email32_runtime_package} is not installed: its licence texts ship with the package")
endif()
string(REGEX REPLACE "-.*" "" _email32_gcc_upstream ${_email32_gcc_version})
file(READ /usr/share/doc/${_email32_runtime_package}/copyright _email32_gcc_copyright)
string(FIND "${_email32_gcc_copyright}" "GCC RUNTIME LIBRARY EXCEPTION" start)
string(FIND "${_email32_gcc_copyright}" "\nlibquadmath/" end)
if(start LESS 0 OR end LESS start)
  message(FATAL_ERROR "the GCC runtime exception was not found in ${_email32_runtime_package}'s copyright file")
endif()
math(EXPR length "${end} - ${start}")
string(SUBSTRING "${_email32_gcc_copyright}" ${start} ${length} _email32_exception)
string(STRIP "${_email32_exception}" _email32_exception)
file(WRITE ${CMAKE_BINARY_DIR}/licences/gcc-runtime-exception.txt "${_email32_exception}\n")
email32_crlf(${CMAKE_BINARY_DIR}/licences/gcc-runtime-exception.txt
  ${EMAIL32_LICENCE_DIR}/licences/gcc-runtime-exception.txt
  "GCC ${_email32_gcc_upstream} runtime (libgcc, libstdc++; Debian's ${_email32_runtime_package} ${_email32_gcc_version}): the GCC Runtime Library Exception")
email32_crlf(/usr/share/common-licenses/GPL-3 ${EMAIL32_LICENCE_DIR}/licences/GPL-3.txt
  "GCC ${_email32_gcc_upstream} runtime (libgcc, libstdc++): the GNU General Public License version 3, with the exception in gcc-runtime-exception.txt")

install(FILES ${EMAIL32_LICENCE_DIR}/LICENSE ${EMAIL32_LICENCE_DIR}/CHANGELOG.md DESTINATION .)
install(DIRECTORY ${EMAIL32_LICENCE_DIR}/licences/ DESTINATION licences)
