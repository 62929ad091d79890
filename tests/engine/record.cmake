# The installation record: its text form, merge rules and file.
kelvra_test(engine_record_tests
  ${CMAKE_CURRENT_LIST_DIR}/InstallRecordTest.cpp)
