# Picture files made by ImageMagick, cjpeg/djpeg and exiftool before the
# imaging tests run, and a native check that the peer tools read what the
# email32 host writes.
set(EMAIL32_PICTURE_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/imaging)
add_test(NAME ImagingFixtures COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-fixtures.sh ${EMAIL32_PICTURE_FIXTURES})
set_tests_properties(ImagingFixtures PROPERTIES FIXTURES_SETUP picture_files TIMEOUT 120)
foreach(test ${EMAIL32_UNIT_TESTS} ${EMAIL32_HOST_TESTS})
  if(test MATCHES "^Imaging")
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED picture_files)
  endif()
endforeach()
add_test(NAME ImagingPeerReadback
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check-peer-readback.sh ${CMAKE_BINARY_DIR}/bin ${EMAIL32_PICTURE_FIXTURES}
          ${CMAKE_BINARY_DIR}/imaging-readback)
set_tests_properties(ImagingPeerReadback PROPERTIES FIXTURES_REQUIRED picture_files TIMEOUT 300)
