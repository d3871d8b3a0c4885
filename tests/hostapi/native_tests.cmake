# The C interface's tests run under both code pages; the dialog's among them
# attach the send options pictures.
foreach(test ${EMAIL32_HOST_TESTS})
  if(test MATCHES "^(CInterface|CHost)\\.")
    set_property(TEST ${test} APPEND PROPERTY LABELS cp950)
    set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED SendOptionsPictures)
  endif()
endforeach()
