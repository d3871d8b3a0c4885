# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged package when the build
# carries debug information (EMAIL32_SEPARATE_SYMBOLS): the debug information
# of the project's own binaries moves to CPACK_EMAIL32_SYMBOLS_DIR as
# NAME.debug, each binary is stripped and keeps a link to its symbols file
# (.gnu_debuglink, which gdb and other debuggers follow), and the runtime and
# decoder DLLs (CPACK_EMAIL32_OTHER_BINARIES) are stripped as
# CPACK_STRIP_FILES would. Anything else (the Simple MAPI helper of the other
# bitness, which this strip cannot read) is left as it was built.
# CPack runs this script with no policies set: IN_LIST needs them.
cmake_policy(VERSION 3.20)
file(GLOB_RECURSE binaries "${CPACK_TEMPORARY_DIRECTORY}/*.dll" "${CPACK_TEMPORARY_DIRECTORY}/*.exe")
file(MAKE_DIRECTORY "${CPACK_EMAIL32_SYMBOLS_DIR}")
foreach(binary ${binaries})
  string(REGEX REPLACE "^.*/bin/" "" name "${binary}")
  if(name IN_LIST CPACK_EMAIL32_OWN_BINARIES)
    set(symbols "${CPACK_EMAIL32_SYMBOLS_DIR}/${name}.debug")
    get_filename_component(folder "${symbols}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    execute_process(COMMAND "${CPACK_EMAIL32_OBJCOPY}" --only-keep-debug "${binary}" "${symbols}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "could not keep the symbols of ${name}")
    endif()
  endif()
  if(NOT name IN_LIST CPACK_EMAIL32_OWN_BINARIES AND NOT name IN_LIST CPACK_EMAIL32_OTHER_BINARIES)
    continue()
  endif()
  execute_process(COMMAND "${CPACK_EMAIL32_STRIP}" "${binary}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not strip ${name}")
  endif()
  if(name IN_LIST CPACK_EMAIL32_OWN_BINARIES)
    # The link holds the symbols file's name and checksum.
    execute_process(COMMAND "${CPACK_EMAIL32_OBJCOPY}" "--add-gnu-debuglink=${symbols}" "${binary}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "could not link ${name} to its symbols")
    endif()
  endif()
endforeach()
