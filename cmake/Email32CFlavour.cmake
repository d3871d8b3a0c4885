# The C interface's flavour of Email32.dll: the same objects, resources and
# exports, with the GCC runtime and winpthreads linked in (-static), so that a
# host of the C interface ships no libstdc++-6.dll, libgcc_s_dw2-1.dll or
# libwinpthread-1.dll, which another component's copies in the same folder
# could collide with. Only the C entries may be used from it: its C++ classes
# would throw through an unwinder of their own that the host's frames are
# unknown to. Built beside the main module as bin/c/Email32.dll.
get_target_property(_email32_sources Email32 SOURCES)
get_target_property(_email32_libraries Email32 LINK_LIBRARIES)
add_library(Email32C SHARED ${_email32_sources})
set_target_properties(Email32C PROPERTIES PREFIX "" OUTPUT_NAME Email32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/c ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/c)
target_link_libraries(Email32C PRIVATE ${_email32_libraries})
target_link_options(Email32C PRIVATE -static -Wl,--kill-at)
