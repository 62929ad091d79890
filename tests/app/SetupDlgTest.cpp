#include "app/SetupDlg.h"
#include "app/SilentSetup.h"

#include "engine/SetupThread.h"
#include "framework/Handles.h"
#include "framework/WizardProtocol.h"
#include "pages/DlgCompactpage.h"
#include "pages/DlgFinishpage.h"
#include "pages/DlgInstall.h"
#include "pages/DlgIntropage.h"
#include "pages/DlgPath.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

const char kProductKeyPath[] = "SOFTWARE\\Morvane\\Kelvra\\V9";

// Pages are told apart by a control only they have.
HWND WaitForWelcome(DialogDriver& d) { return d.WaitForDialog(IDC_INSTRUCTION); }
HWND WaitForAgreement(DialogDriver& d) { return d.WaitForDialog(IDC_AGREE); }
HWND WaitForDestination(DialogDriver& d) { return d.WaitForDialog(IDC_INSTALL_PATH); }
HWND WaitForFinish(DialogDriver& d) { return d.WaitForDialog(IDC_README); }

// A host whose pages are counted, whose page 2 can be made to fail, whose
// distribution and default destination can be replaced, and whose slideshow
// ticks are seen.
class TestHost : public CSetupDlg {
public:
    TestHost() : m_slideTicks(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    bool m_breakPathPage = false;
    int m_brokenPageCalls = 0;
    bool m_wizardRan = false;
    CString m_testSourceDir;
    CString m_testInstallDir;
    // Set once the backdrop has moved on to its second next picture.
    CHandle m_slideTicks;

protected:
    void CreatePages() override {
        CSetupDlg::CreatePages();
        if (!m_testSourceDir.IsEmpty()) m_strSourceDir = m_testSourceDir;
        if (!m_testInstallDir.IsEmpty()) m_strInstallDir = m_testInstallDir;
        m_wizardRan = true;
        if (m_breakPathPage)
            m_pathPage = std::make_unique<BrokenPathPage>(m_hWnd, m_brokenPageCalls);
    }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        const bool handled = CSetupDlg::OnMessage(msg, wp, lp, result);
        if (msg == WM_TIMER && m_pictureIndex >= 2) SetEvent(m_slideTicks.Get());
        return handled;
    }

private:
    struct BrokenPathPage : CDlgPath {
        BrokenPathPage(HWND parent, int& calls) : CDlgPath(parent), m_calls(calls) {}
        INT_PTR DoModal() override {
            ++m_calls;
            return m_calls > 3 ? 0 : -1; // would loop forever if -1 showed the page again
        }
        int& m_calls;
    };
};

} // namespace

TEST(CheckExistingInstallTest, AbsentEmptyAndPresentValues) {
    ScratchRegistry registry;
    EXPECT_FALSE(CSetupDlg::CheckExistingInstall());
    // The read opens the key with create semantics.
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKeyPath));
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath", ""));
    EXPECT_TRUE(CSetupDlg::CheckExistingInstall());
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath", "D:\\Kelvra\\"));
    EXPECT_TRUE(CSetupDlg::CheckExistingInstall());
    // Longer than the 1024-byte buffer counts as absent.
    ASSERT_TRUE(SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath",
                             std::string(1100, 'x').c_str()));
    EXPECT_FALSE(CSetupDlg::CheckExistingInstall());
}

// A silent run's folder: /D= first; else the installed product's, when it
// is a full path (blanks around it trimmed); else the default.
TEST(ChooseSilentDestinationTest, TheInstalledFolderOnlyWhenItIsAFullPath) {
    const char kDefault[] = "C:\\Program Files\\Morvane\\Kelvra\\";
    struct Row {
        const char* installPath; // null: not installed
        const char* commandLine;
        const char* chosen;
    };
    const Row rows[] = {
        {.installPath = "D:\\K\\", .commandLine = "E:\\Given\\", .chosen = "E:\\Given\\"},
        {.installPath = nullptr, .commandLine = "", .chosen = kDefault},
        {.installPath = "D:\\Kelvra V9\\", .commandLine = "", .chosen = "D:\\Kelvra V9\\"},
        {.installPath = "  D:\\K\\ ", .commandLine = "", .chosen = "D:\\K\\"},
        {.installPath = "\\\\server\\soft\\K\\",
         .commandLine = "",
         .chosen = "\\\\server\\soft\\K\\"},
        {.installPath = "", .commandLine = "", .chosen = kDefault},
        {.installPath = "Kelvra\\", .commandLine = "", .chosen = kDefault},
        {.installPath = "D:Kelvra", .commandLine = "", .chosen = kDefault},
        {.installPath = "\\Kelvra", .commandLine = "", .chosen = kDefault},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.installPath ? row.installPath : "(not installed)");
        ScratchRegistry registry;
        if (row.installPath) {
            ASSERT_TRUE(
                SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath", row.installPath));
        }
        EXPECT_EQ(CString(row.chosen),
                  ChooseSilentDestination(row.commandLine, row.installPath != nullptr));
    }
}

TEST(SetupDlgTest, ReinstallDeclinedShowsNoPage) {
    ScratchRegistry registry;
    SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath", "");
    TestHost host;
    CString caption;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   auto box = d.WaitForMessageBox("已经安装了本软件!\n是否重新安装?");
                   caption = box.caption;
                   d.Answer(box, IDNO);
               });
    EXPECT_EQ(caption, CString("警告"));
    EXPECT_FALSE(host.m_wizardRan);
}

TEST(SetupDlgTest, ReinstallAcceptedRunsTheWizard) {
    ScratchRegistry registry;
    SetRegString(HKEY_LOCAL_MACHINE, kProductKeyPath, "installPath", "C:\\Old\\");
    TestHost host;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   d.Answer(d.WaitForMessageBox("是否重新安装"), IDYES);
                   d.Click(WaitForWelcome(d), IDCANCEL);
                   d.Answer(d.WaitForMessageBox("真要退出安装程序吗?"), IDYES);
               });
    EXPECT_TRUE(host.m_wizardRan);
}

TEST(SetupDlgTest, HostIsMaximisedWithTitleTimerAndDefaults) {
    ScratchRegistry registry;
    TestHost host;
    // A short interval, so that the backdrop's slideshow is seen to move on
    // while the welcome page is up.
    host.m_slideInterval = 20;
    bool maximised = false;
    CString hostTitle, pageTitle;
    bool slidesMoved = false;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   HWND page = WaitForWelcome(d);
                   HWND hostWindow = GetParent(page);
                   maximised = IsZoomed(hostWindow) != FALSE;
                   hostTitle = DialogDriver::WindowText(hostWindow);
                   pageTitle = DialogDriver::WindowText(page);
                   slidesMoved =
                       WaitForSingleObject(host.m_slideTicks.Get(), 10000) == WAIT_OBJECT_0;
                   d.Click(page, IDCANCEL);
                   d.Answer(d.WaitForMessageBox("真要退出安装程序吗?"), IDYES);
               });
    EXPECT_TRUE(maximised);
    EXPECT_EQ(hostTitle, pageTitle);
    EXPECT_GE(hostTitle.Find("V9.0"), 0);
    EXPECT_GE(hostTitle.Find("安装向导"), 0);
    EXPECT_TRUE(slidesMoved) << "the slideshow never moved on";
    EXPECT_EQ(host.m_strInstallDir, CString("C:\\Program Files\\Morvane\\Kelvra\\"));
    EXPECT_EQ(host.m_bAgreed, 0);
    EXPECT_FALSE(host.m_strSourceDir.EndsWithBackslash());
    EXPECT_EQ(host.m_hWnd, nullptr);
}

TEST(SetupDlgTest, QuitQuestionAnsweredNoShowsTheSamePageAgain) {
    ScratchRegistry registry;
    TestHost host;
    int welcomeVisits = 0;
    CString caption;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   d.Click(WaitForWelcome(d), IDCANCEL);
                   ++welcomeVisits;
                   auto box = d.WaitForMessageBox("真要退出安装程序吗?");
                   caption = box.caption;
                   d.Answer(box, IDNO);
                   // Escape on the page shown again, then Yes.
                   d.PressKey(WaitForWelcome(d), VK_ESCAPE);
                   ++welcomeVisits;
                   d.Answer(d.WaitForMessageBox("真要退出安装程序吗?"), IDYES);
               });
    EXPECT_EQ(welcomeVisits, 2);
    EXPECT_GE(caption.Find("安装向导"), 0);
}

TEST(SetupDlgTest, DefaultOkShowsThePageAgainWithItsState) {
    ScratchRegistry registry;
    TestHost host;
    bool stillAgreed = false;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   d.Click(WaitForWelcome(d), IDC_NEXT);
                   HWND agreement = WaitForAgreement(d);
                   d.Click(agreement, IDC_AGREE);
                   d.Command(agreement, IDOK); // result 1: the same page again
                   agreement = WaitForAgreement(d);
                   stillAgreed = d.GetCheck(agreement, IDC_AGREE) == BST_CHECKED &&
                                 d.IsEnabled(agreement, IDC_NEXT);
                   d.Click(agreement, IDCANCEL);
                   d.Answer(d.WaitForMessageBox("真要退出"), IDYES);
               });
    EXPECT_TRUE(stillAgreed);
    EXPECT_EQ(host.m_bAgreed, 1);
}

TEST(SetupDlgTest, BackAndNextKeepTheAgreementAndTheDestination) {
    ScratchRegistry registry;
    TestHost host;
    CString firstField, fieldAfterReturn;
    bool agreedAfterBack = false, nextEnabledAfterBack = false;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   d.Click(WaitForWelcome(d), IDC_NEXT);
                   HWND agreement = WaitForAgreement(d);
                   EXPECT_FALSE(d.IsEnabled(agreement, IDC_NEXT));
                   d.Click(agreement, IDC_AGREE);
                   d.Click(agreement, IDC_NEXT);
                   HWND path = WaitForDestination(d);
                   firstField = d.GetText(path, IDC_INSTALL_PATH);
                   // Refused by Next (no backslash), yet handed to the host on Back.
                   d.SetText(path, IDC_INSTALL_PATH, "Kelvra");
                   d.Click(path, IDC_NEXT);
                   d.Click(path, IDC_BACK);
                   agreement = WaitForAgreement(d);
                   agreedAfterBack = d.GetCheck(agreement, IDC_AGREE) == BST_CHECKED;
                   nextEnabledAfterBack = d.IsEnabled(agreement, IDC_NEXT);
                   d.Click(agreement, IDC_NEXT);
                   path = WaitForDestination(d);
                   fieldAfterReturn = d.GetText(path, IDC_INSTALL_PATH);
                   d.Click(path, IDCANCEL);
                   d.Answer(d.WaitForMessageBox("真要退出"), IDYES);
               });
    EXPECT_EQ(firstField, CString("C:\\Program Files\\Morvane\\Kelvra\\"));
    EXPECT_TRUE(agreedAfterBack);
    EXPECT_TRUE(nextEnabledAfterBack);
    EXPECT_EQ(fieldAfterReturn, CString("Kelvra"));
    EXPECT_EQ(host.m_bAgreed, 1);
    EXPECT_EQ(host.m_strInstallDir, CString("Kelvra"));
}

namespace {

// What a user without a mouse does: Tab until the focus is on the control
// (a dozen presses go round any page), then the key that works it.
void TabTo(DialogDriver& d, HWND page, int id) {
    for (int presses = 0; presses < 12; ++presses) {
        if (DialogDriver::FocusedControl(page) == GetDlgItem(page, id)) return;
        d.PressKey(page, VK_TAB);
    }
    char what[64];
    std::snprintf(what, sizeof(what), "Tab to reach control %d", id);
    d.Fail(what);
}

void PressButton(DialogDriver& d, HWND page, int id) {
    TabTo(d, page, id);
    d.PressKey(page, VK_SPACE);
}

} // namespace

TEST(SetupDlgTest, KeyboardAloneInstallsFromTheWelcomeToTheFinishPage) {
    ScratchRegistry registry;
    TempDir temp;
    const CString source = temp / "dist";
    for (const char* name : CONTENT_FOLDERS) CreateFolders(source + "\\" + name);
    ASSERT_TRUE(WriteFileBytes(source + "\\Support\\Data.TXT", "data"));
    TestHost host;
    host.m_testSourceDir = source;
    host.m_testInstallDir = temp / "Kelvra\\";
    // Agreed / Next enabled, after each key on the agreement page.
    std::vector<std::pair<bool, bool>> choices;
    int readmeAfterSpace = -1;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   PressButton(d, WaitForWelcome(d), IDC_NEXT);

                   HWND agreement = WaitForAgreement(d);
                   auto readChoice = [&] {
                       choices.emplace_back(d.GetCheck(agreement, IDC_AGREE) == BST_CHECKED,
                                            d.IsEnabled(agreement, IDC_NEXT));
                   };
                   TabTo(d, agreement, IDC_DISAGREE);
                   for (UINT key : {VK_DOWN, VK_UP, VK_RIGHT}) {
                       d.PressKey(agreement, key);
                       readChoice();
                   }
                   // Escape, and 否 chosen in the quit question: the page again, still agreed.
                   d.PressKey(agreement, VK_ESCAPE);
                   auto question = d.WaitForMessageBox("真要退出安装程序吗?");
                   TabTo(d, question.hwnd, IDNO);
                   d.PressKey(question.hwnd, VK_RETURN);
                   agreement = WaitForAgreement(d);
                   readChoice();
                   PressButton(d, agreement, IDC_NEXT);

                   PressButton(d, WaitForDestination(d), IDC_NEXT);

                   // The copying page moves on by itself.
                   HWND finish = WaitForFinish(d);
                   TabTo(d, finish, IDC_README);
                   d.PressKey(finish, VK_SPACE);
                   readmeAfterSpace = d.GetCheck(finish, IDC_README);
                   PressButton(d, finish, IDC_NEXT);
               });
    const std::vector<std::pair<bool, bool>> expected = {
        {true, true}, {false, false}, {true, true}, {true, true}};
    EXPECT_EQ(choices, expected);
    EXPECT_EQ(readmeAfterSpace, BST_UNCHECKED);
    EXPECT_EQ(host.m_bAgreed, 1);
    EXPECT_EQ(ReadFileBytes(temp / "Kelvra\\Support\\data.txt"), "data");
    EXPECT_EQ(host.m_hWnd, nullptr);
    SetFileAttributesA(temp / "Kelvra\\Uninstall.log", FILE_ATTRIBUTE_NORMAL);
}

TEST(SetupDlgTest, PageThatCannotBeCreatedEndsTheWizard) {
    ScratchRegistry registry;
    TestHost host;
    host.m_breakPathPage = true;
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   d.Click(WaitForWelcome(d), IDC_NEXT);
                   HWND agreement = WaitForAgreement(d);
                   d.Click(agreement, IDC_AGREE);
                   d.Click(agreement, IDC_NEXT);
               });
    // The host returned after the failing page instead of retrying it.
    EXPECT_EQ(host.m_brokenPageCalls, 1);
}

namespace {

// Pages that end with scripted results, so the wizard loop's table can be
// walked without showing the pages themselves.
struct Script {
    std::vector<INT_PTR> results;
    std::vector<int> visits;
    size_t next = 0;
    INT_PTR Take(int page) {
        visits.push_back(page);
        return next < results.size() ? results[next++] : ID_WIZ_EXIT;
    }
};

template <typename Page, int Index> struct ScriptedPage : Page {
    ScriptedPage(HWND parent, Script& script) : Page(parent), m_script(script) {}
    INT_PTR DoModal() override { return m_script.Take(Index); }
    Script& m_script;
};

class ScriptedHost : public CSetupDlg {
public:
    explicit ScriptedHost(Script& script) : m_script(script) {}
    Script& m_script;

protected:
    void CreatePages() override {
        m_introPage = std::make_unique<ScriptedPage<CDlgIntropage, 0>>(m_hWnd, m_script);
        m_agreementPage = std::make_unique<ScriptedPage<CDlgCompactpage, 1>>(m_hWnd, m_script);
        m_pathPage = std::make_unique<ScriptedPage<CDlgPath, 2>>(m_hWnd, m_script);
        m_installPage = std::make_unique<ScriptedPage<CDlgInstall, 3>>(m_hWnd, m_script);
        m_finishPage = std::make_unique<ScriptedPage<CDlgFinishpage, 4>>(m_hWnd, m_script);
    }
};

std::vector<int> RunScript(std::vector<INT_PTR> results, int quitAnswers = 0) {
    ScratchRegistry registry; // no earlier installation: no reinstall question
    Script script;
    script.results = std::move(results);
    ScriptedHost host(script);
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   for (int i = 0; i < quitAnswers; ++i)
                       d.Answer(d.WaitForMessageBox("真要退出安装程序吗?"),
                                i + 1 < quitAnswers ? IDNO : IDYES);
               });
    return script.visits;
}

} // namespace

TEST(RunWizardTest, ResultCodesMoveBackForwardOrLeave) {
    // Next, Next, Back, Next, Next, Next, Exit from the finish page.
    EXPECT_EQ(RunScript({ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_BACK, ID_WIZ_NEXT, ID_WIZ_NEXT,
                         ID_WIZ_NEXT, ID_WIZ_EXIT}),
              (std::vector<int>{0, 1, 2, 1, 2, 3, 4}));
    // Exit from the copying page ends the wizard without the finish page.
    EXPECT_EQ(RunScript({ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_EXIT}),
              (std::vector<int>{0, 1, 2, 3}));
    // Back from the first page leaves the loop.
    EXPECT_EQ(RunScript({ID_WIZ_BACK}), (std::vector<int>{0}));
    // Next from the finish page runs off the end.
    EXPECT_EQ(RunScript({ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_NEXT, ID_WIZ_NEXT}),
              (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(RunWizardTest, UnknownResultsShowTheSamePageAgain) {
    EXPECT_EQ(RunScript({IDOK, 0, 4711, ID_WIZ_EXIT}), (std::vector<int>{0, 0, 0, 0}));
}

TEST(RunWizardTest, CancelAsksAndNoShowsThePageAgain) {
    // Cancel on the destination page, No, then Cancel again and Yes.
    EXPECT_EQ(RunScript({ID_WIZ_NEXT, ID_WIZ_NEXT, IDCANCEL, IDCANCEL}, 2),
              (std::vector<int>{0, 1, 2, 2}));
}
