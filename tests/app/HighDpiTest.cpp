// The wizard on a screen of 144 or 192 DPI (150 and 200 %). CTest runs this
// program once at each, after tests/app/logpixels.sh has set Wine's
// LogPixels (KELVRA_DPI names it). The real host walks its five pages over a
// picture backdrop; on each page every control lies inside the page, every
// text fits its control in the font it is drawn with, and every shaded
// button is painted whole. A screenshot of each page goes to
// KELVRA_DPI_SHOTS, for a person to look at.
#include "app/SetupDlg.h"

#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/SampleDistribution.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"
#include "tools/driver/ScreenCapture.h"
#include "ui/Backdrop.h"
#include "ui/ShadeButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The host with a test distribution, destination and backdrop pictures.
class DpiHost : public CSetupDlg {
public:
    CString m_source, m_destination;

protected:
    void CreatePages() override {
        CSetupDlg::CreatePages();
        m_strSourceDir = m_source;
        m_strInstallDir = m_destination;
        CollectPictures(AfxGetModuleFolder() + "\\dpi_pictures\\", "*.jpg", m_pictureFiles);
        InvalidateRect(m_hWnd, nullptr, TRUE);
    }
};

bool IsShaded(HWND control) {
    return dynamic_cast<CShadeButton*>(CWnd::FromHandlePermanent(control)) != nullptr;
}

// What is wrong with one control of page, in words; empty when nothing is.
std::string Fault(HWND page, HWND control) {
    RECT client{}, box{};
    GetClientRect(page, &client);
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
    const std::wstring text = DialogDriver::WideWindowText(control);
    const std::string name = "\"" + Narrow(text).str() + "\" ";
    // Position and size are rounded from dialog units apiece: a control
    // that ends on the page's edge may end a pixel past it.
    RECT page1 = client;
    InflateRect(&page1, 1, 1);
    RECT inside{};
    if (!IntersectRect(&inside, &box, &page1) || !EqualRect(&inside, &box))
        return name + "reaches past the page";
    IntersectRect(&box, &box, &client);
    wchar_t kind[16] = {};
    GetClassNameW(control, kind, 16);
    const DWORD type = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE)) & BS_TYPEMASK;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    UINT format = DT_SINGLELINE;
    int margin = 12; // a shaded caption's six pixels each side; a group box's frame
    if (IsShaded(control)) {
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    } else if (std::wstring(kind) == L"Static") {
        format = DT_WORDBREAK | DT_EXPANDTABS;
        margin = 0;
    } else if (std::wstring(kind) != L"Button" || text.empty()) {
        return std::string(); // edit fields scroll their text
    } else if (type == BS_AUTORADIOBUTTON || type == BS_AUTOCHECKBOX) {
        margin = GetSystemMetrics(SM_CXMENUCHECK) + 4;
    }
    CClientDC screen(nullptr);
    CSelectObject select(screen.Get(), font);
    RECT need{0, 0, box.right - box.left, 0};
    DrawTextW(screen.Get(), text.c_str(), -1, &need, format | DT_CALCRECT);
    if (need.right > box.right - box.left - margin || need.bottom > box.bottom - box.top)
        return name + "needs " + std::to_string(need.right) + " x " + std::to_string(need.bottom);
    return std::string();
}

// A shaded button painted into memory as it paints itself: its face covers
// it to its edges (a face built for a smaller button leaves black there).
std::string ShadedFault(HWND control) {
    if (!IsShaded(control)) return std::string();
    RECT r{};
    GetClientRect(control, &r);
    CClientDC screen(nullptr);
    CMemoryDC memory(CreateCompatibleDC(screen.Get()));
    CGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), r.right, r.bottom));
    CSelectObject select(memory.Get(), bitmap.Get());
    PrintWindow(control, memory.Get(), PW_CLIENTONLY);
    // Three pixels in from each side's middle: inside the edges, outside the
    // focus frame and the caption.
    for (const POINT p : {POINT{r.right / 2, 3}, POINT{r.right / 2, r.bottom - 4},
                          POINT{3, r.bottom / 2}, POINT{r.right - 4, r.bottom / 2}}) {
        const COLORREF c = GetPixel(memory.Get(), p.x, p.y);
        if (c == RGB(0, 0, 0) || c == CLR_INVALID)
            return "button \"" + Narrow(DialogDriver::WideWindowText(control)).str() +
                   "\" not painted at " + std::to_string(p.x) + "," + std::to_string(p.y);
    }
    return std::string();
}

// Every fault on the page; then a screenshot of it over the backdrop.
void CheckPage(HWND page, const char* shot) {
    RedrawWindow(GetParent(page), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        for (const std::string& fault : {Fault(page, child), ShadedFault(child)})
            if (IsWindowVisible(child) && !fault.empty()) ADD_FAILURE() << shot << ": " << fault;
    if (const char* folder = std::getenv("KELVRA_DPI_SHOTS")) {
        CreateFolders(WinePath(folder));
        EXPECT_TRUE(SaveScreenshot(WinePath(folder) + "\\" + shot + ".bmp")) << shot;
    }
}

} // namespace

TEST(HighDpi, TheThreeProgramsDeclareSystemDpiAwarenessAndRunAtTheScreensDpi) {
    for (const char* program : {KELVRA_SETUP_EXE, KELVRA_UNINSTALL_EXE, KELVRA_USERSETUP_EXE}) {
        SCOPED_TRACE(program);
        CLibrary image(LoadLibraryExW(Wide(WinePath(program)).c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_TRUE(image.IsValid());
        // RT_MANIFEST, the one manifest of a program.
        HRSRC found = FindResourceW(image.Get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        ASSERT_NE(found, nullptr);
        const char* bytes =
            static_cast<const char*>(LockResource(LoadResource(image.Get(), found)));
        const std::string manifest(bytes, SizeofResource(image.Get(), found));
        EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
        EXPECT_NE(manifest.find(">system</dpiAwareness>"), std::string::npos);
    }
    const char* expected = std::getenv("KELVRA_DPI");
    const int dpi = expected ? std::atoi(expected) : 0;
    ASSERT_GT(dpi, 96) << "run through CTest, which sets KELVRA_DPI and Wine's LogPixels";
    CClientDC screen(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen.Get(), LOGPIXELSY), dpi);
    // This program carries the installer's manifest.
    EXPECT_TRUE(IsProcessDPIAware());
}

TEST(HighDpi, EveryPageHoldsItsTextsAndButtonsWhole) {
    ScratchRegistry registry;
    TempDir temp;
    SampleDistribution distribution;
    ASSERT_TRUE(distribution.MakeIn(temp / "dist\\"));
    DpiHost host;
    host.m_source = temp / "dist\\";
    host.m_destination = temp / "Kelvra\\";
    // A file held open in the destination: its copy box keeps the copying
    // page up while it is looked at.
    CreateFolders(host.m_destination + "Support");
    const CString held = host.m_destination + "Support\\" + distribution.itemName;
    ASSERT_TRUE(WriteFileBytes(held, "held"));
    CFileHandle holder(
        CreateFileW(Wide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());

    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   HWND page = d.WaitForDialog(IDC_INSTRUCTION);
                   CheckPage(page, "1-welcome");
                   d.Click(page, IDC_NEXT);
                   page = d.WaitForDialog(IDC_AGREE);
                   d.Click(page, IDC_AGREE);
                   CheckPage(page, "2-agreement");
                   d.Click(page, IDC_NEXT);
                   page = d.WaitForDialog(IDC_INSTALL_PATH);
                   CheckPage(page, "3-destination");
                   d.Click(page, IDC_NEXT);
                   const auto box = d.WaitForMessageBox(distribution.itemName);
                   CheckPage(GetWindow(box.hwnd, GW_OWNER), "4-copying");
                   holder.Reset();
                   d.Answer(box, IDRETRY);
                   page = d.WaitForDialog(IDC_README);
                   CheckPage(page, "5-finish");
                   // No read-me opened.
                   if (d.GetCheck(page, IDC_README) == BST_CHECKED) d.Click(page, IDC_README);
                   d.Click(page, IDC_NEXT);
               });
    EXPECT_EQ(ReadFileBytes(held), "Support");
    SetFileAttributesA(host.m_destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
}
