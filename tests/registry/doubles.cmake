# Userpath.dll stand-ins for the cases a deployment can meet.
email32_double_dll(UserpathNoSlash ${CMAKE_CURRENT_LIST_DIR}/doubles/UserpathNoSlash.cpp)
email32_double_dll(UserpathNoEntry ${CMAKE_CURRENT_LIST_DIR}/doubles/UserpathNoEntry.cpp)

# A host that runs one scripted use of EmailComponent, for scenarios that need
# a folder of their own.
email32_double_exe(probe_host ${CMAKE_CURRENT_LIST_DIR}/doubles/ProbeHost.cpp)
target_link_libraries(probe_host PRIVATE Email32)

# Libraries with version resources: product version 9 and 10 (file versions
# swapped), for the version check of detection.
email32_double_dll(MapiVersion9 ${CMAKE_CURRENT_LIST_DIR}/doubles/VersionedLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doubles/MapiVersion9.rc)
email32_double_dll(MapiVersion10 ${CMAKE_CURRENT_LIST_DIR}/doubles/VersionedLibrary.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doubles/MapiVersion10.rc)
