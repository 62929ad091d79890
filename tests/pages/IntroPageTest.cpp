#include "framework/WizardProtocol.h"
#include "pages/DlgIntropage.h"
#include "res/resource.h"
#include "tests/pages/PageHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// True when the page's white rectangle lies beneath control id in the
// z-order, so a repaint of the rectangle alone cannot paint over it.
bool WhiteRectangleBeneath(HWND page, int id) {
    for (HWND w = GetWindow(GetDlgItem(page, id), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if ((GetWindowLongPtrA(w, GWL_STYLE) & SS_TYPEMASK) == SS_WHITERECT) return true;
    return false;
}

} // namespace

TEST(IntroPageTest, ShowsItsTextsOnTheWhiteRectangleOnEveryVisit) {
    PageHost host;
    CDlgIntropage page(host.Get());
    for (int visit = 0; visit < 2; ++visit) {
        CString heading, instruction;
        bool textsOnTheRectangle = false;
        RunPage(page, IDC_INSTRUCTION, [&](DialogDriver& d, HWND p) {
            heading = d.GetText(p, IDC_HEADING);
            instruction = d.GetText(p, IDC_INSTRUCTION);
            textsOnTheRectangle =
                WhiteRectangleBeneath(p, IDC_HEADING) && WhiteRectangleBeneath(p, IDC_INSTRUCTION);
            d.Click(p, IDCANCEL);
        });
        EXPECT_EQ(heading, CString("欢迎使用 Kelvra V9.0 土地整理规划设计软件"))
            << "visit " << visit;
        EXPECT_EQ(instruction,
                  CString("单击 “下一步” 按钮继续安装, 或者\n单击 “取  消” 按钮退出安装程序。"));
        EXPECT_TRUE(textsOnTheRectangle);
    }
}

TEST(IntroPageTest, WithoutAParentItStillOpensAndEnds) {
    CDlgIntropage page;
    HICON big = reinterpret_cast<HICON>(1);
    EXPECT_EQ(RunPage(page, IDC_INSTRUCTION,
                      [&](DialogDriver& d, HWND p) {
                          big = WindowIcon(p, ICON_BIG);
                          d.Click(p, IDC_NEXT);
                      }),
              ID_WIZ_NEXT);
    EXPECT_EQ(big, nullptr);
}
