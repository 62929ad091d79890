# The copying page, driven as a user would, with a real worker thread.
kelvra_test(install_page_tests ${CMAKE_CURRENT_LIST_DIR}/DlgInstallTest.cpp)
