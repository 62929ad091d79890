# Program files, control registration, product registration and shortcuts.

# Test controls: small libraries whose DllRegisterServer leaves a marker value.
# They land in test_controls/ beside the test program, which copies them into
# each test's Control folder.
set(KELVRA_TEST_CONTROLS_DIR ${CMAKE_CURRENT_BINARY_DIR}/test_controls)

add_library(testctl_helper SHARED ${CMAKE_CURRENT_SOURCE_DIR}/TestControlHelper.cpp)
set_target_properties(testctl_helper PROPERTIES PREFIX "" OUTPUT_NAME ctlhelper
                      RUNTIME_OUTPUT_DIRECTORY ${KELVRA_TEST_CONTROLS_DIR})

function(kelvra_test_control name result)
  add_library(testctl_${name} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/TestControl.cpp)
  set_target_properties(testctl_${name} PROPERTIES PREFIX "" SUFFIX ".ocx" OUTPUT_NAME ${name}
                        RUNTIME_OUTPUT_DIRECTORY ${KELVRA_TEST_CONTROLS_DIR})
  target_include_directories(testctl_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(testctl_${name} PRIVATE CONTROL_NAME="${name}" CONTROL_RESULT=${result} ${ARGN})
  target_compile_options(testctl_${name} PRIVATE ${KELVRA_WARNINGS})
  target_link_libraries(testctl_${name} PRIVATE advapi32)
endfunction()

kelvra_test_control(marker S_OK)
kelvra_test_control(second S_OK)
kelvra_test_control(sfalse S_FALSE)
kelvra_test_control(failing E_FAIL)
kelvra_test_control(dependent S_OK CONTROL_USES_HELPER)
target_link_libraries(testctl_dependent PRIVATE testctl_helper)

kelvra_test(registration_tests
  ControlRegistrationTest.cpp
  ProgramFilesTest.cpp
  ProductRegistrationTest.cpp
  ShortcutsTest.cpp
  UserSetupCopyTest.cpp
  InstallRunTest.cpp
  PageStandIn.cpp
  RegistrationFixture.cpp)
# Links are read back as the installation report reads them.
target_link_libraries(registration_tests PRIVATE kelvra_uidriver)
add_dependencies(registration_tests testctl_helper testctl_marker testctl_second testctl_sfalse testctl_failing
                 testctl_dependent)
