// More than 65,535 files in the content folders: the copying page's bar
// moves forward with every entry, never wraps, and reaches its end.
#include "pages/DlgInstall.h"

#include "framework/WizardProtocol.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>

namespace {

// The copying page, watched wherever it moves its bar.
class WatchedInstallPage : public CDlgInstall {
public:
    int rangeHigh = 0;
    int lastPosition = 0;
    int wraps = 0; // times the bar went back

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        const bool handled = CDlgInstall::OnMessage(msg, wp, lp, result);
        if (msg == WM_SETUP_PROGRESS || msg == WM_TIMER || msg == WM_SETUP_CONFIGURING) {
            const int position = m_progress.GetPos();
            if (position < lastPosition) ++wraps;
            lastPosition = position;
            PBRANGE range{};
            m_progress.SendMessage(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
            rangeHigh = range.iHigh;
        }
        return handled;
    }
};

// The distribution the build laid out, as a Windows path ending in "\".
CString ManyFilesDistribution() {
    const char* root = std::getenv("KELVRA_MANY_FILES");
    return WinePath(std::string(root ? root : "") + "/");
}

} // namespace

TEST(ManyFilesTest, SixtySixThousandFilesTheBarStepsToTheEndWithoutWrapping) {
    ASSERT_NE(nullptr, std::getenv("KELVRA_MANY_FILES")) << "run through CTest";
    ScratchRegistry registry;
    TempDir temp;
    WatchedInstallPage page;
    page.m_strSourceDir = ManyFilesDistribution();
    page.m_strInstallDir = temp / "Kelvra";
    ASSERT_EQ(66012, page.CountContentFiles());

    INT_PTR result = -2;
    DialogDriver driver(600000);
    driver.Run([&] { result = page.DoModal(); },
               [](DialogDriver& d) { d.WaitForDialog(IDC_PROGRESS); });
    EXPECT_EQ(ID_WIZ_NEXT, result);
    // 66,012 files and 60 sub-folders, each one entry.
    CSetupThread::CopyProgress copied;
    ASSERT_TRUE(page.m_worker.TakeProgress(copied));
    EXPECT_EQ(66072, copied.entries);
    EXPECT_GE(page.rangeHigh, 66012);
    // Never back to the start; full at the end.
    EXPECT_EQ(0, page.wraps);
    EXPECT_EQ(page.rangeHigh, page.lastPosition);
    SetFileAttributesA(temp / "Kelvra\\Uninstall.log", FILE_ATTRIBUTE_NORMAL);
}
