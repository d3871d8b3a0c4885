# The tests that also run in a 64-bit Wine prefix (WOW64), where 64-bit mail
# programs register in a registry view of their own: scripts/test runs the
# label wow64 there once more.
# wow64-only: those that need the 64-bit view, left out of the first pass.
foreach(test ${EMAIL32_UNIT_TESTS})
  if(test MATCHES "^ForeignMachineProvider\\.")
    set_property(TEST ${test} APPEND PROPERTY LABELS wow64)
  elseif(test MATCHES "^Wow64Registrations\\.")
    set_property(TEST ${test} APPEND PROPERTY LABELS wow64 wow64-only)
  endif()
endforeach()

# Every entry of the sample catalogue end to end: recorders where the real
# mail programs register (python drives the wine processes). In the WOW64
# prefix the programs register in the 64-bit view.
find_program(EMAIL32_DISPATCH_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
foreach(view 32 64)
  add_test(NAME SampleCatalogue.EveryEntryDeliversBothFilesWholeIn${view}BitView
    COMMAND ${EMAIL32_DISPATCH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/sample_catalogue.py --view ${view}
            --bin ${CMAKE_BINARY_DIR}/bin --root ${CMAKE_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/sample-catalogue-${view})
  set_tests_properties(SampleCatalogue.EveryEntryDeliversBothFilesWholeIn${view}BitView PROPERTIES TIMEOUT 300)
endforeach()
# The 64-bit view exists only in the WOW64 prefix.
set_tests_properties(SampleCatalogue.EveryEntryDeliversBothFilesWholeIn64BitView PROPERTIES LABELS "wow64;wow64-only")
