#include "framework/WizardProtocol.h"
#include "pages/DlgPath.h"
#include "res/resource.h"
#include "tests/pages/PageHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kDefaultFolder[] = "C:\\Program Files\\Morvane\\Kelvra\\";

INT_PTR RunDestination(CDlgPath& page, const PageScript& script) {
    return RunPage(page, IDC_INSTALL_PATH, script);
}

// The field's selection as EM_GETSEL reports it.
struct Selection {
    int start = -1;
    int end = -1;
};

Selection FieldSelection(HWND page) {
    DWORD_PTR packed = 0;
    SendMessageTimeoutA(GetDlgItem(page, IDC_INSTALL_PATH), EM_GETSEL, 0, 0, SMTO_NORMAL, 10000,
                        &packed);
    return {LOWORD(packed), HIWORD(packed)};
}

} // namespace

TEST(DestinationPageTest, ShowsTheFolderCopiedInAndNextAcceptsItUnchanged) {
    PageHost host;
    CDlgPath page(host.Get());
    page.m_strInstallDir = kDefaultFolder;
    CString field, browseText;
    EXPECT_EQ(RunDestination(page,
                             [&](DialogDriver& d, HWND p) {
                                 field = d.GetText(p, IDC_INSTALL_PATH);
                                 browseText = d.GetText(p, IDC_BROWSE);
                                 d.Click(p, IDC_NEXT);
                             }),
              ID_WIZ_NEXT);
    EXPECT_EQ(field, CString(kDefaultFolder));
    EXPECT_EQ(page.m_strInstallDir, CString(kDefaultFolder));
    EXPECT_EQ(browseText, CString("..."));
}

TEST(DestinationPageTest, NextAcceptsAnyTextWithABackslashExactlyAsTyped) {
    PageHost host;
    CDlgPath page(host.Get());
    // No trimming, no check that the drive exists: the copying page creates the folder.
    for (const char* typed :
         {"  Q:\\No Such Drive\\ ", "\\", "relative\\folder", "D:\\土地整理\\乗\\"}) {
        page.m_strInstallDir = kDefaultFolder;
        EXPECT_EQ(RunDestination(page,
                                 [&](DialogDriver& d, HWND p) {
                                     d.SetText(p, IDC_INSTALL_PATH, typed);
                                     d.Click(p, IDC_NEXT);
                                 }),
                  ID_WIZ_NEXT)
            << typed;
        EXPECT_EQ(page.m_strInstallDir, CString(typed));
    }
}

TEST(DestinationPageTest, NextRefusesTextWithoutABackslashAndSelectsIt) {
    PageHost host;
    CDlgPath page(host.Get());
    // "\x81\x5C" is one double-byte character whose trail byte is 0x5C: not a backslash.
    for (const char* typed : {"", "Kelvra", "D:", "\x81\x5C", "土地\x95\x5C整理"}) {
        page.m_strInstallDir = kDefaultFolder;
        bool stillOpen = false, fieldHasFocus = false;
        Selection selection;
        EXPECT_EQ(RunDestination(page,
                                 [&](DialogDriver& d, HWND p) {
                                     d.SetText(p, IDC_INSTALL_PATH, typed);
                                     d.Click(p, IDC_NEXT);
                                     stillOpen = IsWindow(p) && IsWindowVisible(p);
                                     fieldHasFocus = DialogDriver::FocusedControl(p) ==
                                                     GetDlgItem(p, IDC_INSTALL_PATH);
                                     selection = FieldSelection(p);
                                     d.Click(p, IDCANCEL);
                                 }),
                  IDCANCEL)
            << typed;
        EXPECT_TRUE(stillOpen) << typed;
        EXPECT_TRUE(fieldHasFocus) << typed;
        EXPECT_EQ(selection.start, 0) << typed;
        // All of it: ANSI edit controls count bytes on Windows, characters under Wine.
        const int bytes = static_cast<int>(strlen(typed));
        const int characters = MultiByteToWideChar(CP_ACP, 0, typed, bytes, nullptr, 0);
        EXPECT_TRUE(selection.end == bytes || selection.end == characters)
            << typed << ": selection ends at " << selection.end;
        // Next read the field even though it refused the text.
        EXPECT_EQ(page.m_strInstallDir, CString(typed));
    }
}

TEST(DestinationPageTest, BackHandsOnTheTextTheLastNextRead) {
    PageHost host;
    CDlgPath page(host.Get());
    page.m_strInstallDir = kDefaultFolder;
    EXPECT_EQ(RunDestination(page,
                             [&](DialogDriver& d, HWND p) {
                                 d.SetText(p, IDC_INSTALL_PATH, "Kelvra");
                                 d.Click(p, IDC_NEXT); // refused, but read
                                 d.SetText(p, IDC_INSTALL_PATH, "Z:\\Typed Later\\");
                                 d.Click(p, IDC_BACK);
                             }),
              ID_WIZ_BACK);
    EXPECT_EQ(page.m_strInstallDir, CString("Kelvra"));

    // The next visit shows it again.
    CString shown;
    EXPECT_EQ(RunDestination(page,
                             [&](DialogDriver& d, HWND p) {
                                 shown = d.GetText(p, IDC_INSTALL_PATH);
                                 d.Click(p, IDCANCEL);
                             }),
              IDCANCEL);
    EXPECT_EQ(shown, CString("Kelvra"));
}
