# The welcome, agreement, destination and finish pages and the folder browser.
kelvra_test(pages_tests
  PageHost.cpp
  IntroPageTest.cpp
  AgreementPageTest.cpp
  AgreementTextTest.cpp
  DestinationPageTest.cpp
  FolderBrowserTest.cpp
  FinishPageTest.cpp
  PageWaysOutTest.cpp)

# The text-file handler the finish-page tests register: it records the file it
# was asked to open. Built beside pages_tests, which starts it through the shell.
add_executable(open_recorder WIN32 OpenRecorder.cpp)
target_compile_options(open_recorder PRIVATE ${KELVRA_WARNINGS})
target_link_libraries(open_recorder PRIVATE shell32)
add_dependencies(pages_tests open_recorder)
