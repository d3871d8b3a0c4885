# The main job end to end: pictures prepared by the module, sent by a deployed
# host through the mail-server plug-in to a real SMTP server on loopback; with
# that server stopped, kept in the outbox; and the demo's way through the send
# options dialog, driven by dialog-pilot. Native Python drives the wine
# processes (Debian's interpreter: aiosmtpd and Pillow come as its packages).
find_program(EMAIL32_ENDTOEND_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(EMAIL32_ENDTOEND_CASES
  delivery EndToEnd.PreparedPicturesReachTheMailbox
  outbox EndToEnd.StoppedServerLeavesOneMessageInTheOutbox
  dialog EndToEnd.DialogChoicesReachTheMailbox)
while(EMAIL32_ENDTOEND_CASES)
  list(POP_FRONT EMAIL32_ENDTOEND_CASES case name)
  add_test(NAME ${name}
    COMMAND ${EMAIL32_ENDTOEND_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/endtoend.py ${case}
            --bin ${CMAKE_BINARY_DIR}/bin --root ${CMAKE_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/endtoend/${case})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endwhile()
