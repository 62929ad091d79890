# Who is set up where: the per-user steps of each kind of run, the Active
# Setup versions, the rights the data folders get, and the order of builds.
kelvra_test(engine_user_tests
  ${CMAKE_CURRENT_LIST_DIR}/PageStandIn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserStepsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InstalledVersionTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataFolderRightsTest.cpp)
