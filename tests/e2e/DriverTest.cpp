// The UI driver's own promises: a wait that runs out names what it awaited,
// an installer that ends under a wait is reported at once, and every step is
// recorded with its time.
#include "tests/e2e/InstallScenario.h"

namespace {

// Runs step and returns the driver's failure message ("" when none).
template <typename Step> std::string FailureOf(Step step) {
    try {
        step();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return std::string();
}

TEST_F(InstallScenario, DriverTimeoutNamesWhatItAwaited) {
    m_driver.Launch(Distribution("full"));
    m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.SetTimeout(1000);
    const std::string failure = FailureOf([&] { m_driver.WaitForPage(WizardPage::Finish); });
    EXPECT_NE(failure.find("timed out"), std::string::npos) << failure;
    EXPECT_NE(failure.find("the finish page"), std::string::npos) << failure;
    // The installer is untouched by the failed wait.
    EXPECT_FALSE(m_driver.HasExited());
}

TEST_F(InstallScenario, DriverReportsTheInstallerEndingUnderAWait) {
    m_driver.Launch(Distribution("full"));
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.Click(welcome, IDCANCEL);
    m_driver.Answer(m_driver.WaitForMessageBox(kQuitQuestion), IDYES);
    const std::string failure = FailureOf([&] { m_driver.WaitForPage(WizardPage::Agreement); });
    EXPECT_NE(failure.find("Setup.exe ended"), std::string::npos) << failure;
    EXPECT_NE(failure.find("the agreement page"), std::string::npos) << failure;
}

TEST_F(InstallScenario, DriverRecordsEveryStepInOrderWithItsTime) {
    m_driver.Launch(Distribution("full"));
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.Click(welcome, IDC_NEXT);
    m_driver.WaitForPage(WizardPage::Agreement);
    const auto& steps = m_driver.Steps();
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].what.Find("started "), 0);
    EXPECT_EQ(steps[1].what, "the welcome page is shown");
    EXPECT_EQ(steps[2].what, "clicked \"下一步\"");
    EXPECT_EQ(steps[3].what, "the agreement page is shown");
    for (size_t i = 1; i < steps.size(); ++i) EXPECT_GE(steps[i].elapsedMs, steps[i - 1].elapsedMs);
}

TEST_F(InstallScenario, DriverRefusesToClickADisabledButton) {
    m_driver.Launch(Distribution("full"));
    m_driver.Click(m_driver.WaitForPage(WizardPage::Welcome), IDC_NEXT);
    HWND agreement = m_driver.WaitForPage(WizardPage::Agreement);
    // Next stays disabled until the user agrees.
    const std::string failure = FailureOf([&] { m_driver.Click(agreement, IDC_NEXT); });
    EXPECT_NE(failure.find("disabled"), std::string::npos) << failure;
}

// Run under code pages 936, 1252 and 932 alike (CTest e2e_driver_*): the
// driver types and reads the pages' Chinese texts through UTF-16.
TEST_F(InstallScenario, DriverTypesAndReadsChineseTextUnderAnyCodePage) {
    m_driver.Launch(Distribution("full"));
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
    EXPECT_EQ(CUiDriver::WindowText(welcome), KELVRA_WIZARD_TITLE);
    m_driver.Click(welcome, IDC_NEXT);
    HWND agreement = m_driver.WaitForPage(WizardPage::Agreement);
    m_driver.Click(agreement, IDC_AGREE);
    m_driver.Click(agreement, IDC_NEXT);
    HWND destination = m_driver.WaitForPage(WizardPage::Destination);
    for (const char* typed : {"C:\\目标 Kelvra\\", "D:\\软件\\表\\", "C:\\Kelvra\\"}) {
        m_driver.TypeText(destination, IDC_INSTALL_PATH, typed);
        EXPECT_EQ(m_driver.ReadText(destination, IDC_INSTALL_PATH), typed);
    }
    m_driver.Click(destination, IDCANCEL);
    HWND box = m_driver.WaitForMessageBox(kQuitQuestion);
    EXPECT_NE(CUiDriver::MessageBoxText(box).Find(kQuitQuestion), -1);
    m_driver.Answer(box, IDYES);
    m_driver.WaitForExit();
}

} // namespace
