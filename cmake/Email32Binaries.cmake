# What every binary the project ships carries.

# email32_version_info(TARGET DESCRIPTION): a VERSIONINFO resource with the
# project's version (project() in the top CMakeLists.txt is the one place it
# is written), the file's name and what it is.
function(email32_version_info target description)
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(EMAIL32_VERSION_TYPE VFT_APP)
    set(EMAIL32_VERSION_FILE "${name}.exe")
  else()
    set(EMAIL32_VERSION_TYPE VFT_DLL)
    set(EMAIL32_VERSION_FILE "${name}.dll")
  endif()
  set(EMAIL32_VERSION_NAME "${name}")
  set(EMAIL32_VERSION_DESCRIPTION "${description}")
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/Email32Version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# email32_large_address_aware(TARGET): a host program that may use the
# whole 4 GB a 32-bit process gets on 64-bit Windows. A 64-bit program is
# large-address aware anyway (the x86_64 linker sets it and has no option).
function(email32_large_address_aware target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--large-address-aware)
  endif()
endfunction()
