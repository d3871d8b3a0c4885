# Makes the module's import libraries from the exports the linker listed
# (cmake -P, after each link of Email32.dll):
#   DEF      the linker's --output-def file
#   DLLTOOL  the target's dlltool (i686- or x86_64-w64-mingw32-dlltool)
#   LLVM_DLLTOOL  LLVM's dlltool, or empty
#   IMPLIB   the import library for MinGW hosts (every export)
#   CIMPLIB  the import library of the C interface alone, for other compilers:
#            made by LLVM's dlltool where there is one, since a Microsoft
#            linker making a /SAFESEH image (lld-link's default, and Visual
#            Studio's project default for x86) refuses GNU dlltool's import
#            objects, which lack the SafeSEH mark
#
# The DLL exports the C interface's __stdcall entries undecorated (--kill-at),
# and the linker's own import library then names them undecorated too, which
# no C compiler asks for: here they keep their decorated symbols
# (_Email32Open@4) while importing the undecorated names. x86_64 has one
# calling convention and no decoration: there the C interface's entries are
# the plain names starting with Email32 (everything else the module exports
# is a mangled C++ name).
file(STRINGS "${DEF}" lines)
set(all "EXPORTS\n")
set(c "EXPORTS\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^    ([^ ]+) = ([^ ]+@[0-9]+)(.*)$")
    string(APPEND all "    ${CMAKE_MATCH_2}${CMAKE_MATCH_3}\n")
    string(APPEND c "    ${CMAKE_MATCH_2}${CMAKE_MATCH_3}\n")
  elseif(line MATCHES "^    Email32[A-Za-z0-9]*( .*)?$")
    string(APPEND all "${line}\n")
    string(APPEND c "${line}\n")
  elseif(line MATCHES "^    ")
    string(APPEND all "${line}\n")
  endif()
endforeach()
if(DLLTOOL MATCHES "x86_64")
  set(machine i386:x86-64)
else()
  set(machine i386)
endif()
get_filename_component(folder "${IMPLIB}" DIRECTORY)
file(WRITE "${folder}/Email32.all.def" "${all}")
file(WRITE "${folder}/Email32.c.def" "${c}")
foreach(pair "Email32.all.def;${IMPLIB}" "Email32.c.def;${CIMPLIB}")
  list(GET pair 0 def)
  list(GET pair 1 library)
  if(library STREQUAL CIMPLIB AND LLVM_DLLTOOL)
    set(command "${LLVM_DLLTOOL}" -m ${machine} -k -D Email32.dll -d "${folder}/${def}" -l "${library}")
  else()
    set(command "${DLLTOOL}" --kill-at --dllname Email32.dll --input-def "${folder}/${def}" --output-lib "${library}")
  endif()
  execute_process(COMMAND ${command} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dlltool could not make ${library}")
  endif()
endforeach()
