# The host written in C alone (examples/c-host), built as strict C89 with the
# C compiler: the C interface's header must serve such a host as it stands.
email32_double_exe(c_host ${CMAKE_SOURCE_DIR}/examples/c-host/main.c)
set_target_properties(c_host PROPERTIES C_STANDARD 90 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
target_compile_options(c_host PRIVATE -pedantic-errors)
target_link_libraries(c_host PRIVATE shell32)
email32_large_address_aware(c_host)
