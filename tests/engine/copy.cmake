# The worker's tree copy, folder creation, uninstall log and run sequence
# and the restart operations taken out before the copy,
# on real files and a real worker thread.
kelvra_test(engine_copy_tests
  ${CMAKE_CURRENT_LIST_DIR}/PageStandIn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeCopyTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EnsureDirectoryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UninstallLogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunSequenceTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZoneMarkTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PendingRenamesTest.cpp)
