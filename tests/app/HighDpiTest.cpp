// The wizard on a screen of 144 or 192 DPI (150 and 200 %). CTest runs this
// program once at each, after tests/app/logpixels.sh has set Wine's
// LogPixels (KELVRA_DPI names it). The real host walks its five pages over a
// picture backdrop; on each page every control lies inside the page, every
// text fits its control in the font it is drawn with, and every shaded
// button is painted whole. A screenshot of each page goes to
// KELVRA_DPI_SHOTS, for a person to look at.
#include "app/SetupDlg.h"

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
#include <vector>

namespace {

int ExpectedDpi() {
    const char* dpi = std::getenv("KELVRA_DPI");
    return dpi ? std::atoi(dpi) : 0;
}

// The folder beside this program, with a trailing backslash.
CString ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString folder = Narrow(path);
    return folder.Left(folder.ReverseFind('\\') + 1);
}

// The host with a test distribution, destination and backdrop pictures.
class DpiHost : public CSetupDlg {
public:
    CString m_source;
    CString m_destination;
    CString m_pictures;

protected:
    void CreatePages() override {
        CSetupDlg::CreatePages();
        m_strSourceDir = m_source;
        m_strInstallDir = m_destination;
        CollectPictures(m_pictures, "*.jpg", m_pictureFiles);
        InvalidateRect(m_hWnd, nullptr, TRUE);
    }
};

std::wstring ClassName(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The text's extent drawn with font and format in a rectangle width wide.
SIZE TextExtent(HFONT font, const std::wstring& text, int width, UINT format) {
    CClientDC screen(nullptr);
    CSelectObject select(screen.Get(), font);
    RECT r{0, 0, width, 0};
    DrawTextW(screen.Get(), text.c_str(), -1, &r, format | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// What is wrong with one control of page, in words; empty when nothing is.
std::string Fault(HWND page, HWND control) {
    RECT client{}, box{};
    GetClientRect(page, &client);
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
    const std::wstring text = DialogDriver::WideWindowText(control);
    const std::string name = Narrow(text).str();
    // A control's position and size are rounded from dialog units apiece,
    // so one that ends on the page's edge may end a pixel past it.
    if (box.left < -1 || box.top < -1 || box.right > client.right + 1 ||
        box.bottom > client.bottom + 1)
        return "control \"" + name + "\" at " + std::to_string(box.left) + "," +
               std::to_string(box.top) + "-" + std::to_string(box.right) + "," +
               std::to_string(box.bottom) + " reaches past the page's " +
               std::to_string(client.right) + " x " + std::to_string(client.bottom);
    // Its text must fit in what the page shows of it.
    IntersectRect(&box, &box, &client);
    if (text.empty()) return std::string();
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    const std::wstring kind = ClassName(control);
    SIZE need{};
    int room = width;
    if (auto* shaded = dynamic_cast<CShadeButton*>(CWnd::FromHandlePermanent(control))) {
        (void)shaded;
        // The caption in the stock GUI font, six pixels in from each side.
        need = TextExtent(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), text, width,
                          DT_SINGLELINE);
        room = width - 12;
    } else if (kind == L"Static") {
        need = TextExtent(font, text, width, DT_WORDBREAK | DT_EXPANDTABS);
    } else if (kind == L"Button") {
        const DWORD type = style & BS_TYPEMASK;
        need = TextExtent(font, text, width, DT_SINGLELINE);
        // A check mark or radio circle and its gap; a group box's frame.
        if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX ||
            type == BS_CHECKBOX)
            room = width - GetSystemMetrics(SM_CXMENUCHECK) - 4;
        else
            room = width - 12;
    } else {
        return std::string(); // edit fields scroll their text
    }
    if (need.cx > room || need.cy > height)
        return "text \"" + name + "\" needs " + std::to_string(need.cx) + " x " +
               std::to_string(need.cy) + " in " + std::to_string(room) + " x " +
               std::to_string(height);
    return std::string();
}

// A shaded button painted into memory as it paints itself: the face covers
// it to its edges (a face built for a smaller button leaves black there).
std::string ShadedFault(HWND control) {
    if (!dynamic_cast<CShadeButton*>(CWnd::FromHandlePermanent(control))) return std::string();
    RECT r{};
    GetClientRect(control, &r);
    CClientDC screen(nullptr);
    CMemoryDC memory(CreateCompatibleDC(screen.Get()));
    CGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), r.right, r.bottom));
    CSelectObject select(memory.Get(), bitmap.Get());
    PrintWindow(control, memory.Get(), PW_CLIENTONLY);
    // Three pixels in from the middle of each side: inside the edges,
    // outside the focus frame and the caption.
    const POINT probes[] = {{r.right / 2, 3},
                            {r.right / 2, r.bottom - 4},
                            {3, r.bottom / 2},
                            {r.right - 4, r.bottom / 2}};
    for (const POINT& p : probes) {
        const COLORREF c = GetPixel(memory.Get(), p.x, p.y);
        if (c == RGB(0, 0, 0) || c == CLR_INVALID)
            return "button \"" + Narrow(DialogDriver::WideWindowText(control)).str() +
                   "\" is not painted at " + std::to_string(p.x) + "," + std::to_string(p.y);
    }
    return std::string();
}

// Every fault on the page, then a screenshot of it over the backdrop.
std::vector<std::string> CheckPage(HWND page, const char* shot) {
    RedrawWindow(GetParent(page), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::vector<std::string> faults;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        for (const std::string& fault : {Fault(page, child), ShadedFault(child)})
            if (!fault.empty()) faults.push_back(std::string(shot) + ": " + fault);
    }
    if (const char* folder = std::getenv("KELVRA_DPI_SHOTS")) {
        const CString path = WinePath(folder);
        CreateFolders(path);
        EXPECT_TRUE(SaveScreenshot(path + "\\" + shot + ".bmp")) << shot;
    }
    return faults;
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
    const int dpi = ExpectedDpi();
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
    host.m_pictures = ProgramFolder() + "dpi_pictures\\";
    // A file held open in the destination: its copy box keeps the copying
    // page up while it is looked at.
    CreateFolders(host.m_destination + "Support");
    const CString held = host.m_destination + "Support\\" + distribution.itemName;
    ASSERT_TRUE(WriteFileBytes(held, "held"));
    CFileHandle holder(
        CreateFileW(Wide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());

    std::vector<std::string> faults;
    auto check = [&](HWND page, const char* shot) {
        for (const std::string& fault : CheckPage(page, shot)) faults.push_back(fault);
    };
    DialogDriver driver;
    driver.Run([&] { host.DoModal(); },
               [&](DialogDriver& d) {
                   HWND page = d.WaitForDialog(IDC_INSTRUCTION);
                   check(page, "1-welcome");
                   d.Click(page, IDC_NEXT);
                   page = d.WaitForDialog(IDC_AGREE);
                   d.Click(page, IDC_AGREE);
                   check(page, "2-agreement");
                   d.Click(page, IDC_NEXT);
                   page = d.WaitForDialog(IDC_INSTALL_PATH);
                   check(page, "3-destination");
                   d.Click(page, IDC_NEXT);
                   const auto box = d.WaitForMessageBox(distribution.itemName);
                   check(GetWindow(box.hwnd, GW_OWNER), "4-copying");
                   holder.Reset();
                   d.Answer(box, IDRETRY);
                   page = d.WaitForDialog(IDC_README);
                   check(page, "5-finish");
                   // No read-me opened.
                   if (d.GetCheck(page, IDC_README) == BST_CHECKED) d.Click(page, IDC_README);
                   d.Click(page, IDC_NEXT);
               });
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    EXPECT_EQ(ReadFileBytes(held), "Support");
    SetFileAttributesA(host.m_destination + "Uninstall.log", FILE_ATTRIBUTE_NORMAL);
}
