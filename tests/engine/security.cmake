# The destination's access list and the checked distribution, on real folders.
kelvra_test(engine_security_tests
  ${CMAKE_CURRENT_LIST_DIR}/DestinationSecurityTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DistributionCheckTest.cpp)
