# MinGW's shared runtime ships beside the module and every host: exceptions
# thrown inside the DLL reach the host only when both share one unwinder and
# one C++ runtime.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE EMAIL32_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_dw2-1.dll
  OUTPUT_VARIABLE EMAIL32_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(EMAIL32_WINPTHREAD libwinpthread-1.dll
  PATHS /usr/${MINGW_PREFIX}/lib /usr/${MINGW_PREFIX}/bin NO_DEFAULT_PATH REQUIRED)
set(EMAIL32_RUNTIME_DLLS ${EMAIL32_LIBSTDCXX} ${EMAIL32_LIBGCC} ${EMAIL32_WINPTHREAD})

function(email32_copy_runtime target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${EMAIL32_RUNTIME_DLLS}
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    VERBATIM)
endfunction()
