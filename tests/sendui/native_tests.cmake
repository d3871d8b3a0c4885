# The send options tests attach pictures made by ImageMagick and exiftool, and
# leave screenshots of the dialog among the build's artifacts.
set(EMAIL32_SENDUI_PICTURES ${CMAKE_BINARY_DIR}/fixtures/sendui)
set(EMAIL32_ARTIFACTS ${CMAKE_BINARY_DIR}/artifacts)

add_test(NAME SendOptionsPictures
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make_pictures.sh ${EMAIL32_SENDUI_PICTURES})
set_tests_properties(SendOptionsPictures PROPERTIES FIXTURES_SETUP SendOptionsPictures LABELS cp950)

add_test(NAME SendOptionsScreenshots
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/convert_screenshots.sh ${EMAIL32_ARTIFACTS})
set_tests_properties(SendOptionsScreenshots PROPERTIES FIXTURES_CLEANUP SendOptionsPictures LABELS cp950)

foreach(test ${EMAIL32_UNIT_TESTS} ${EMAIL32_HOST_TESTS})
  if(test MATCHES "^(SendOptions|AttachmentPreparation|PrepareCommand|DialogCommand|CodePage950)")
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED SendOptionsPictures)
  endif()
  # The second pass under code page 950 (scripts/test) runs these.
  if(test MATCHES "^(SendOptionsDialog|SendOptionsForEveryone|CodePage950)")
    set_property(TEST ${test} APPEND PROPERTY LABELS cp950)
  endif()
endforeach()

# The dialog tests read the list view's image list.
target_link_libraries(Email32HostTests PRIVATE comctl32)
