# GIF files made by well-known encoders, and the host's gif command checked
# against the peers' decoding of them.
set(EMAIL32_GIF_FIXTURES ${CMAKE_BINARY_DIR}/gif-fixtures)
add_test(NAME Gif.MakePeerFixtures COMMAND ${CMAKE_CURRENT_LIST_DIR}/make_peer_gifs.sh ${EMAIL32_GIF_FIXTURES})
set_tests_properties(Gif.MakePeerFixtures PROPERTIES FIXTURES_SETUP GifPeerFiles)
add_test(NAME Gif.HostAgainstPeers
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/check_host_gif.py ${CMAKE_BINARY_DIR}/bin
          ${EMAIL32_GIF_FIXTURES} ${CMAKE_BINARY_DIR}/gif-host-check)
set_tests_properties(Gif.HostAgainstPeers PROPERTIES FIXTURES_REQUIRED GifPeerFiles TIMEOUT 600)
