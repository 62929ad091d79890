// Scenarios that end before anything is copied.
#include "tests/e2e/InstallScenario.h"

namespace {

TEST_F(InstallScenario, ReinstallAnsweredNoChangesNothing) {
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", "C:\\Earlier\\"));
    m_driver.Launch(Distribution("full"));
    HWND question = m_driver.WaitForMessageBox(kReinstallQuestion);
    EXPECT_TRUE(GetDlgItem(question, IDNO) != nullptr);
    m_driver.Answer(question, IDNO);
    m_driver.WaitForExit();

    EXPECT_FALSE(m_driver.FindPage(WizardPage::Welcome));
    EXPECT_FALSE(DirectoryExists(m_destination));
    CString value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    EXPECT_EQ(value, "C:\\Earlier\\");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallScenario, CancelOnTheWelcomePageAnsweredYesEndsWithoutInstalling) {
    m_driver.Launch(Distribution("full"));
    HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.Click(welcome, IDCANCEL);
    HWND question = m_driver.WaitForMessageBox(kQuitQuestion);
    m_driver.Answer(question, IDNO);
    welcome = m_driver.WaitForPage(WizardPage::Welcome);
    m_driver.Click(welcome, IDCANCEL);
    question = m_driver.WaitForMessageBox(kQuitQuestion);
    m_driver.Answer(question, IDYES);
    m_driver.WaitForExit();
    CString value;
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", value));
    // The start-up check leaves the product key behind, empty.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

} // namespace
