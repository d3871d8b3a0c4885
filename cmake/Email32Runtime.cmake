# MinGW's shared runtime ships beside the module and every host: exceptions
# thrown inside the DLL reach the host only when both share one unwinder and
# one C++ runtime.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE EMAIL32_LIBSTDCXX OUTPUT_STRIP_TRAILING_WHITESPACE)
# The unwinder's DLL is named for its kind: DWARF-2 frames on i686, SEH on
# x86_64.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(EMAIL32_LIBGCC_NAME libgcc_s_seh-1.dll)
else()
  set(EMAIL32_LIBGCC_NAME libgcc_s_dw2-1.dll)
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${EMAIL32_LIBGCC_NAME}
  OUTPUT_VARIABLE EMAIL32_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${EMAIL32_LIBGCC}")
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${EMAIL32_LIBGCC_NAME}")
endif()
find_file(EMAIL32_WINPTHREAD libwinpthread-1.dll
  PATHS /usr/${MINGW_PREFIX}/lib /usr/${MINGW_PREFIX}/bin NO_DEFAULT_PATH REQUIRED)
set(EMAIL32_RUNTIME_DLLS ${EMAIL32_LIBSTDCXX} ${EMAIL32_LIBGCC} ${EMAIL32_WINPTHREAD})
# The HEIF decoders, LGPL DLLs built by scripts/deps, ship beside the module
# with their licence texts; without them HEIF files are sent as they are.
find_file(EMAIL32_LIBHEIF libheif.dll PATHS ${EMAIL32_DEPS_PREFIX}/bin NO_DEFAULT_PATH REQUIRED)
find_file(EMAIL32_LIBDE265 libde265.dll PATHS ${EMAIL32_DEPS_PREFIX}/bin NO_DEFAULT_PATH REQUIRED)
set(EMAIL32_DECODER_DLLS ${EMAIL32_LIBHEIF} ${EMAIL32_LIBDE265})
list(APPEND EMAIL32_RUNTIME_DLLS ${EMAIL32_DECODER_DLLS})
# Their licence texts, named for the DLL they belong to.
set(EMAIL32_DECODER_LICENCES)
foreach(name libheif libde265)
  set(text ${CMAKE_BINARY_DIR}/licences/${name}-COPYING.txt)
  configure_file(${EMAIL32_DEPS_PREFIX}/share/licences/${name}.txt ${text} COPYONLY)
  list(APPEND EMAIL32_DECODER_LICENCES ${text})
endforeach()

function(email32_copy_runtime target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${EMAIL32_RUNTIME_DLLS} ${EMAIL32_DECODER_LICENCES}
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    VERBATIM)
endfunction()
