# Who is set up where: the per-user steps of each kind of run, the Active
# Setup versions, and the rights the data folders get.
kelvra_test(engine_user_tests
  ${CMAKE_CURRENT_LIST_DIR}/PageStandIn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserStepsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataFolderRightsTest.cpp)
