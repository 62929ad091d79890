// What every page of the wizard shares, checked as one table: the host's
// title and icons on every visit, which navigation buttons it has, and the
// result each way out hands back to the host. What a page does beyond that
// lives in its own test.
#include "framework/WizardProtocol.h"
#include "pages/DlgCompactpage.h"
#include "pages/DlgFinishpage.h"
#include "pages/DlgIntropage.h"
#include "pages/DlgPath.h"
#include "res/resource.h"
#include "tests/pages/PageHost.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using PageCheck = std::function<void(CDialog& page, const char* way)>;

struct PageUnderTest {
    const char* name;
    int controlId; // a control only this page has, to find its window
    std::function<std::unique_ptr<CDialog>(HWND host)> make;
    bool hasBack;
    bool hasCancel;
    // What the host copies in before each visit (may be empty).
    std::function<void(CDialog&)> copyIn{};
    // What the user does before leaving (may be empty).
    PageScript beforeLeaving{};
    // What must hold once the page has ended (may be empty).
    PageCheck afterLeaving{};
};

struct WayOut {
    const char* name;
    PageScript act;
    INT_PTR expected;
};

PageScript ClickOn(int id) {
    return [id](DialogDriver& d, HWND p) { d.Click(p, id); };
}
const PageScript kEscape = [](DialogDriver& d, HWND p) { d.PressKey(p, VK_ESCAPE); };
const PageScript kCloseBox = [](DialogDriver& d, HWND p) { d.CloseBox(p); };
const PageScript kDefaultOk = [](DialogDriver& d, HWND p) { d.Command(p, IDOK); };

template <typename Page> std::function<std::unique_ptr<CDialog>(HWND)> Make() {
    return [](HWND host) { return std::unique_ptr<CDialog>(new Page(host)); };
}

struct PageTable {
    PageUnderTest page;
    std::vector<WayOut> ways;
};

// The finish page's destination: empty, so Finish opens nothing.
std::vector<PageTable> AllPages(const CString& emptyDestination) {
    const char kCopiedIn[] = "X:\\Copied In\\";
    return {
        {{.name = "welcome",
          .controlId = IDC_INSTRUCTION,
          .make = Make<CDlgIntropage>(),
          .hasBack = false,
          .hasCancel = true},
         {{"Next", ClickOn(IDC_NEXT), ID_WIZ_NEXT},
          {"Cancel", ClickOn(IDCANCEL), IDCANCEL},
          {"Escape", kEscape, IDCANCEL},
          {"close box", kCloseBox, IDCANCEL},
          {"default OK", kDefaultOk, IDOK}}},
        {{.name = "agreement",
          .controlId = IDC_AGREE,
          .make = Make<CDlgCompactpage>(),
          .hasBack = true,
          .hasCancel = true,
          .copyIn = [](CDialog& p) { static_cast<CDlgCompactpage&>(p).m_bAgreed = 0; }},
         {{"Back", ClickOn(IDC_BACK), ID_WIZ_BACK},
          {"Cancel", ClickOn(IDCANCEL), IDCANCEL},
          {"Escape", kEscape, IDCANCEL},
          {"close box", kCloseBox, IDCANCEL},
          // The focus is on a radio button, which does not take Enter: the
          // dialog manager sends the default OK command.
          {"Enter", [](DialogDriver& d, HWND p) { d.PressKey(p, VK_RETURN); }, IDOK},
          {"Next once agreed",
           [](DialogDriver& d, HWND p) {
               d.Click(p, IDC_AGREE);
               d.Click(p, IDC_NEXT);
           },
           ID_WIZ_NEXT}}},
        // Every way out but Next leaves the folder as copied in, whatever was typed.
        {{.name = "destination",
          .controlId = IDC_INSTALL_PATH,
          .make = Make<CDlgPath>(),
          .hasBack = true,
          .hasCancel = true,
          .copyIn = [=](CDialog& p) { static_cast<CDlgPath&>(p).m_strInstallDir = kCopiedIn; },
          .beforeLeaving =
              [=](DialogDriver& d, HWND p) {
                  EXPECT_EQ(d.GetText(p, IDC_INSTALL_PATH), CString(kCopiedIn));
                  d.SetText(p, IDC_INSTALL_PATH, "Y:\\Typed\\");
              },
          .afterLeaving =
              [=](CDialog& p, const char* way) {
                  EXPECT_EQ(static_cast<CDlgPath&>(p).m_strInstallDir, CString(kCopiedIn)) << way;
              }},
         {{"Back", ClickOn(IDC_BACK), ID_WIZ_BACK},
          {"Cancel", ClickOn(IDCANCEL), IDCANCEL},
          {"Escape", kEscape, IDCANCEL},
          {"close box", kCloseBox, IDCANCEL},
          {"default OK", kDefaultOk, IDOK}}},
        {{.name = "finish",
          .controlId = IDC_README,
          .make = Make<CDlgFinishpage>(),
          .hasBack = false,
          .hasCancel = false,
          .copyIn =
              [=](CDialog& p) {
                  static_cast<CDlgFinishpage&>(p).m_strInstallDir = emptyDestination;
              }},
         {{"Finish", ClickOn(IDC_NEXT), ID_WIZ_EXIT},
          {"Escape", kEscape, IDCANCEL},
          {"close box", kCloseBox, IDCANCEL},
          {"default OK", kDefaultOk, IDOK}}},
    };
}

} // namespace

// The same page object for every visit, as in the wizard: each visit shows
// the host's title and icons and the page's own navigation buttons.
TEST(PageWaysOutTest, EveryWayOutOfEveryPageEndsWithItsResultUnderTheHostsTitleAndIcons) {
    TempDir temp;
    for (const PageTable& table : AllPages(temp.Path())) {
        const PageUnderTest& p = table.page;
        PageHost host;
        std::unique_ptr<CDialog> page = p.make(host.Get());
        for (const WayOut& way : table.ways) {
            SCOPED_TRACE(std::string(p.name) + ": " + way.name);
            if (p.copyIn) p.copyIn(*page);
            CString caption;
            HICON big = nullptr, small = nullptr;
            bool hasBack = !p.hasBack, hasCancel = !p.hasCancel;
            EXPECT_EQ(RunPage(*page, p.controlId,
                              [&](DialogDriver& d, HWND w) {
                                  caption = DialogDriver::WindowText(w);
                                  big = WindowIcon(w, ICON_BIG);
                                  small = WindowIcon(w, ICON_SMALL);
                                  hasBack = GetDlgItem(w, IDC_BACK) != nullptr;
                                  hasCancel = GetDlgItem(w, IDCANCEL) != nullptr;
                                  if (p.beforeLeaving) p.beforeLeaving(d, w);
                                  way.act(d, w);
                              }),
                      way.expected);
            EXPECT_EQ(caption, CString(KELVRA_WIZARD_TITLE));
            EXPECT_EQ(big, host.BigIcon());
            EXPECT_EQ(small, host.SmallIcon());
            EXPECT_EQ(hasBack, p.hasBack);
            EXPECT_EQ(hasCancel, p.hasCancel);
            if (p.afterLeaving) p.afterLeaving(*page, way.name);
        }
    }
}
