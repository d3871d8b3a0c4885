# The tests that also run in a 64-bit Wine prefix (WOW64), where 64-bit mail
# programs register in a registry view of their own: scripts/test runs the
# label wow64 there once more.
foreach(test ${EMAIL32_UNIT_TESTS})
  if(test MATCHES "^(Wow64Registrations|ForeignMachineProvider)\\.")
    set_property(TEST ${test} APPEND PROPERTY LABELS wow64)
  endif()
endforeach()
