# The built files are what a host expects: a PE32 DLL for Intel 80386 with
# the exported members, and Userpath.dll with its undecorated entry.
add_test(NAME Package.ModuleAndCompanionExports
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_exports.sh ${CMAKE_BINARY_DIR}/bin ${MINGW_PREFIX}-objdump)
