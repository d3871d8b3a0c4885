# Recording doubles of what the links hand files to: a mail program, Simple
# MAPI providers and the two companion libraries. Each appends what it saw to
# the log that E32_DOUBLE_LOG names.
set(E32_DISPATCH_DOUBLES ${CMAKE_CURRENT_LIST_DIR}/doubles)

email32_double_exe(record_mail ${E32_DISPATCH_DOUBLES}/RecordingMailProgram.cpp)
# Static throughout: it runs in folders that hold no runtime DLLs.
target_link_options(record_mail PRIVATE -static)
target_link_libraries(record_mail PRIVATE shell32)

# Simple MAPI exports their __stdcall entries undecorated, as the published
# interface names them.
foreach(variant MapiRecorder MapiNoLogoff MapiLogonFails MapiAnsiOnly)
  email32_double_dll(${variant} ${E32_DISPATCH_DOUBLES}/SimpleMapiProvider.cpp)
  target_link_options(${variant} PRIVATE -Wl,--kill-at)
endforeach()
target_compile_definitions(MapiNoLogoff PRIVATE E32_WITHOUT_LOGOFF)
target_compile_definitions(MapiLogonFails PRIVATE E32_LOGON_FAILS)
target_compile_definitions(MapiAnsiOnly PRIVATE E32_ANSI_ONLY)

email32_double_dll(NotesBridgeDouble ${E32_DISPATCH_DOUBLES}/NotesBridge.cpp)
email32_double_dll(MailServerDouble ${E32_DISPATCH_DOUBLES}/MailServerPlugin.cpp)
