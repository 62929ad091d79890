#include "pages/DlgInstall.h"

#include "framework/WizardProtocol.h"
#include "framework/App.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/SetupReports.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kHoldTimeoutMs = 30000;

void MakeFile(const CString& path, const char* content = "x") {
    CreateFolders(path.Left(path.ReverseFind('\\')));
    ASSERT_TRUE(WriteFileBytes(path, content)) << path.GetString();
}

// The copying page with eyes: records what the user would see after each of
// the worker's messages, and can hold the worker inside a progress message
// (the page keeps dispatching meanwhile, as it does behind a question).
class ObservedInstallPage : public CDlgInstall {
public:
    ObservedInstallPage() {
        held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~ObservedInstallPage() override {
        CloseHandle(held);
        CloseHandle(release);
    }

    struct Step {
        CString status;
        int position;
    };
    std::vector<Step> steps;
    std::vector<UINT> reports;
    int rangeLow = -1;
    int rangeHigh = -1;
    bool nextEnabledAtStart = true;
    bool backEnabledAtStart = true;
    CString workerSourceDir;
    CString workerInstallDir;

    struct Configuring {
        bool seen = false;
        CString status;
        bool barVisible = true;
        bool frameVisible = true;
        bool textVisible = false;
        bool cancelEnabled = true;
        bool statusVisible = false;
        bool barVisibleAtEnd = true;
        int position = -1; // where the bar ended
    } configuring;
    int progressMessages = 0;

    int forcedTotal = -1;           // replaces the counted total when set
    bool holdFirstProgress = false; // waits for release inside the first one
    bool cancelWhenConfiguring = false;
    HANDLE held;
    HANDLE release;

protected:
    BOOL OnInitDialog() override {
        BOOL result = CDlgInstall::OnInitDialog();
        if (forcedTotal >= 0) SetProgressTotal(forcedTotal);
        PBRANGE range{};
        m_progress.SendMessage(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        rangeLow = range.iLow;
        rangeHigh = range.iHigh;
        nextEnabledAtStart = m_btnNext.IsWindowEnabled() != FALSE;
        backEnabledAtStart = m_btnBack.IsWindowEnabled() != FALSE;
        workerSourceDir = m_worker.m_strSourceDir;
        workerInstallDir = m_worker.m_strInstallDir;
        return result;
    }

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        const bool handled = CDlgInstall::OnMessage(msg, wp, lp, result);
        switch (msg) {
        case WM_TIMER:
            // The latest entry, shown at the page's pace.
            if (m_progress.GetPos() != (steps.empty() ? 0 : steps.back().position))
                steps.push_back({GetItemText(IDC_STATUS), m_progress.GetPos()});
            break;
        case WM_SETUP_PROGRESS:
            ++progressMessages;
            steps.push_back({GetItemText(IDC_STATUS), m_progress.GetPos()});
            if (holdFirstProgress && steps.size() == 1) {
                // The dialog manager shows the page once its queue is idle,
                // which a held worker may keep it from reaching.
                ShowWindow(SW_SHOW);
                SetEvent(held);
                WaitWhileDispatching(release, kHoldTimeoutMs);
            }
            break;
        case WM_SETUP_CONFIGURING:
            reports.push_back(msg);
            configuring.seen = true;
            configuring.position = m_progress.GetPos();
            configuring.status = GetItemText(IDC_STATUS);
            configuring.barVisible = m_progress.IsWindowVisible() != FALSE;
            configuring.frameVisible = m_copyFrame.IsWindowVisible() != FALSE;
            configuring.textVisible = m_configuringText.IsWindowVisible() != FALSE;
            configuring.cancelEnabled = m_btnCancel.IsWindowEnabled() != FALSE;
            configuring.statusVisible = ::IsWindowVisible(GetDlgItem(IDC_STATUS)) != FALSE;
            // Escape or the close box now: no question (it would wait for
            // an answer that never comes and the test would time out).
            if (cancelWhenConfiguring) OnCancel();
            break;
        case WM_SETUP_DONE:
        case WM_SETUP_FAILED:
            reports.push_back(msg);
            configuring.barVisibleAtEnd = m_progress.IsWindowVisible() != FALSE;
            break;
        default:
            break;
        }
        return handled;
    }

private:
    CString GetItemText(int id) const {
        char buffer[1024] = {};
        GetDlgItemTextA(m_hWnd, id, buffer, sizeof(buffer));
        return CString(buffer);
    }
};

struct InstallPageTest : ::testing::Test {
    ScratchRegistry registry;
    TempDir temp;
    CString source, destination;

    void SetUp() override {
        source = temp / "dist";
        destination = temp / "Kelvra";
        for (const char* name : CONTENT_FOLDERS) CreateFolders(source + "\\" + name);
        MakeFile(source + "\\Support\\Data.TXT", "data");
        MakeFile(source + "\\Support\\Sub\\a.txt", "a");
        MakeFile(source + "\\Database\\Kelvra.mdb", "db");
    }
    void Prepare(ObservedInstallPage& page) const {
        page.m_strSourceDir = "  " + source + " ";
        page.m_strInstallDir = destination + "\t";
    }
    int CopiedFiles() const {
        int count = 0;
        for (const char* name : CONTENT_FOLDERS)
            count += CDlgInstall::CountFiles(destination + "\\" + name, TRUE);
        return count;
    }
    CString LogPath() const { return destination + "\\Uninstall.log"; }
    void TearDown() override { SetFileAttributesA(LogPath(), FILE_ATTRIBUTE_NORMAL); }
};

INT_PTR RunPage(CDialog& page, const std::function<void(DialogDriver&, HWND)>& script) {
    INT_PTR result = -2;
    DialogDriver driver;
    driver.Run([&] { result = page.DoModal(); },
               [&](DialogDriver& d) { script(d, d.WaitForDialog(IDC_PROGRESS)); });
    return result;
}

// A page left to itself: a small copy may end it before it is ever shown,
// so nothing waits for it (the driver still fails the test if it hangs).
INT_PTR RunPageUnattended(CDialog& page) {
    INT_PTR result = -2;
    DialogDriver driver;
    driver.Run([&] { result = page.DoModal(); }, [](DialogDriver&) {});
    return result;
}

bool WaitForEvent(HANDLE event) {
    return WaitForSingleObject(event, kHoldTimeoutMs) == WAIT_OBJECT_0;
}

} // namespace

TEST(CountFilesTest, CountsFilesBelowAFolderButNotTheFolders) {
    TempDir temp;
    MakeFile(temp / "a\\1.txt");
    MakeFile(temp / "a\\2.txt");
    MakeFile(temp / "a\\sub\\3.txt");
    MakeFile(temp / "a\\sub\\deeper\\4.txt");
    MakeFile(temp / "a\\hidden.txt");
    SetFileAttributesA(temp / "a\\hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(CDlgInstall::CountFiles(temp / "a", TRUE), 5);
    EXPECT_EQ(CDlgInstall::CountFiles(temp / "a\\", FALSE), 3);
    EXPECT_EQ(CDlgInstall::CountFiles(" " + temp / "a" + " \t", TRUE), 5);
    EXPECT_EQ(CDlgInstall::CountFiles(temp / "missing", TRUE), 0);
    EXPECT_EQ(CDlgInstall::CountFiles("   ", TRUE), 0);
    SetFileAttributesA(temp / "a\\hidden.txt", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InstallPageTest, CopiesWithRelativeStatusLinesAndBarStepsThenMovesOn) {
    ObservedInstallPage page;
    Prepare(page);
    page.m_nProgressIntervalMs = 0; // every entry shown as it comes
    INT_PTR result = RunPageUnattended(page);
    EXPECT_EQ(result, ID_WIZ_NEXT);

    // Both folders trimmed and given one backslash, the source handed back.
    EXPECT_EQ(page.m_strSourceDir, source + "\\");
    EXPECT_EQ(page.workerSourceDir, source + "\\");
    EXPECT_EQ(page.workerInstallDir, destination + "\\");
    EXPECT_FALSE(page.nextEnabledAtStart);
    EXPECT_FALSE(page.backEnabledAtStart);

    // Three files counted, 30 spare steps.
    EXPECT_EQ(page.rangeLow, 0);
    EXPECT_EQ(page.rangeHigh, 3 + 30);
    // Three files and the folder Support\Sub, one step each.
    ASSERT_EQ(page.steps.size(), 4u);
    for (size_t i = 0; i < page.steps.size(); ++i)
        EXPECT_EQ(page.steps[i].position, static_cast<int>(i + 1));
    std::vector<CString> statuses;
    for (const auto& step : page.steps) statuses.push_back(step.status);
    auto shown = [&](const char* text) {
        return std::find(statuses.begin(), statuses.end(), CString(text)) != statuses.end();
    };
    EXPECT_TRUE(shown("support\\data.txt ...")); // files carry lower-cased paths
    EXPECT_TRUE(shown("Support\\Sub ..."));
    EXPECT_TRUE(shown("database\\kelvra.mdb ..."));

    EXPECT_EQ(page.reports, CompletedReports());
    EXPECT_EQ(ReadFileBytes(destination + "\\Support\\data.txt"), "data");
}

TEST_F(InstallPageTest, AtTheDefaultPaceTheBarEndsOnTheLastEntryAndNeverGoesBack) {
    // 400 more files in four sub-folders of Temp: 403 files, 5 sub-folders.
    for (int i = 0; i < 400; ++i) {
        CString name;
        name.Format("\\Temp\\Part%d\\F%03d.TMP", i % 4, i);
        MakeFile(source + name);
    }
    ObservedInstallPage page;
    Prepare(page);
    INT_PTR result = RunPageUnattended(page);
    EXPECT_EQ(result, ID_WIZ_NEXT);
    EXPECT_EQ(page.rangeHigh, 403 + 30);
    EXPECT_GE(page.progressMessages, 1);
    ASSERT_FALSE(page.steps.empty());
    int previous = 0;
    for (const auto& step : page.steps) {
        EXPECT_GT(step.position, previous);
        previous = step.position;
        EXPECT_EQ(step.status.Right(4), " ...");
        EXPECT_NE(step.status.Left(3), destination.Left(3)) << step.status.GetString();
    }
    EXPECT_EQ(page.configuring.position, 408);
    EXPECT_EQ(CopiedFiles(), 403);
}

TEST_F(InstallPageTest, TheConfiguringDisplayReplacesTheBarAndCancelIsGone) {
    ObservedInstallPage page;
    Prepare(page);
    page.cancelWhenConfiguring = true;
    INT_PTR result = RunPageUnattended(page);
    EXPECT_EQ(result, ID_WIZ_NEXT);
    ASSERT_TRUE(page.configuring.seen);
    EXPECT_TRUE(page.configuring.status.IsEmpty());
    EXPECT_FALSE(page.configuring.barVisible);
    EXPECT_FALSE(page.configuring.frameVisible);
    EXPECT_TRUE(page.configuring.textVisible);
    EXPECT_FALSE(page.configuring.cancelEnabled);
    // Painting held between entries does not outlive the copy: the status
    // line is shown (empty) and the hidden bar stays hidden.
    EXPECT_TRUE(page.configuring.statusVisible);
    EXPECT_FALSE(page.configuring.barVisibleAtEnd);
    EXPECT_TRUE(FileExists(LogPath()));
}

TEST_F(InstallPageTest, MoreThan65505FilesDoNotWrapTheBar) {
    ObservedInstallPage page;
    Prepare(page);
    page.forcedTotal = 70000;
    page.m_nProgressIntervalMs = 0;
    RunPageUnattended(page);
    EXPECT_EQ(page.rangeHigh, 70030); // the 16-bit form would give 4494
    ASSERT_FALSE(page.steps.empty());
    EXPECT_EQ(page.steps.back().position, static_cast<int>(page.steps.size()));
}

TEST_F(InstallPageTest, CancelAnsweredNoLetsTheCopyGoOn) {
    ObservedInstallPage page;
    Prepare(page);
    page.holdFirstProgress = true;
    DialogDriver::MessageBoxInfo question;
    INT_PTR result = RunPage(page, [&](DialogDriver& d, HWND window) {
        ASSERT_TRUE(WaitForEvent(page.held));
        d.Click(window, IDCANCEL);
        question = d.WaitForMessageBox("真要退出安装程序吗？");
        EXPECT_TRUE(question.HasButton(IDYES) && question.HasButton(IDNO));
        d.Answer(question, IDNO);
        SetEvent(page.release);
    });
    EXPECT_EQ(result, ID_WIZ_NEXT);
    EXPECT_EQ(
        question.text,
        CString("安装没有完成。 如果现在退出安装程序，则不会安装或卸载您请求添加/删除的组件。\n\n"
                "可以稍后再运行安装程序来完成此操作。\n\n真要退出安装程序吗？"));
    EXPECT_EQ(question.caption, AfxGetAppTitle());
    EXPECT_EQ(CopiedFiles(), 3);
    EXPECT_TRUE(FileExists(LogPath()));
}

namespace {
// A second handle on the page's worker thread, to see it end after the page.
HANDLE DuplicateThreadHandle(const CSetupThread& worker) {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), worker.GetThreadHandle(), GetCurrentProcess(), &thread,
                    SYNCHRONIZE, FALSE, 0);
    return thread;
}
} // namespace

TEST_F(InstallPageTest, CancelAnsweredYesStopsAfterTheFileInHandAndExits) {
    for (int i = 0; i < 20; ++i) {
        CString name;
        name.Format("\\Temp\\f%02d.tmp", i);
        MakeFile(source + name);
    }
    auto page = std::make_unique<ObservedInstallPage>();
    Prepare(*page);
    page->holdFirstProgress = true;
    INT_PTR result = RunPage(*page, [&](DialogDriver& d, HWND window) {
        ASSERT_TRUE(WaitForEvent(page->held));
        d.Click(window, IDCANCEL);
        d.Answer(d.WaitForMessageBox("真要退出安装程序吗？"), IDYES);
        SetEvent(page->release);
    });
    EXPECT_EQ(result, ID_WIZ_EXIT);
    EXPECT_EQ(page->steps.size(), 1u);
    for (UINT report : page->reports) EXPECT_NE(report, WM_SETUP_DONE);

    // The page object goes away only once its worker has ended.
    CHandle thread(DuplicateThreadHandle(page->m_worker));
    ASSERT_TRUE(thread.IsValid());
    page.reset();
    EXPECT_EQ(WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0);

    EXPECT_EQ(CopiedFiles(), 1); // the file in hand, nothing after it
    EXPECT_FALSE(FileExists(LogPath()));
}

TEST_F(InstallPageTest, TheDefaultOkIsRefusedWhileTheWorkerRuns) {
    ObservedInstallPage page;
    Prepare(page);
    page.holdFirstProgress = true;
    INT_PTR result = RunPage(page, [&](DialogDriver& d, HWND window) {
        ASSERT_TRUE(WaitForEvent(page.held));
        d.Command(window, IDOK); // the Enter key
        SetEvent(page.release);
    });
    // Not ended with 1 (which would show the page again and start a second
    // worker): the one worker ran to its end.
    EXPECT_EQ(result, ID_WIZ_NEXT);
    EXPECT_EQ(page.reports, CompletedReports());
    EXPECT_EQ(page.configuring.position, 4);
}

namespace {
// A page that leaves while its worker is still configuring, as the host
// destroys the pages as soon as the wizard ends.
class PageLeavingEarly : public ObservedInstallPage {
protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        const bool handled = ObservedInstallPage::OnMessage(msg, wp, lp, result);
        if (msg == WM_SETUP_CONFIGURING) EndDialog(ID_WIZ_EXIT);
        return handled;
    }
};
} // namespace

TEST_F(InstallPageTest, ThePageObjectOutlivesAWorkerStillConfiguring) {
    auto page = std::make_unique<PageLeavingEarly>();
    Prepare(*page);
    INT_PTR result = RunPageUnattended(*page);
    EXPECT_EQ(result, ID_WIZ_EXIT);
    CHandle thread(DuplicateThreadHandle(page->m_worker));
    ASSERT_TRUE(thread.IsValid());
    page.reset();
    // The worker finished its steps before its object went: the log is whole.
    EXPECT_EQ(WaitForSingleObject(thread.Get(), 0), WAIT_OBJECT_0);
    std::string log = ReadFileBytes(LogPath());
    const std::string lastLine = "File Copy: " + LogPath().str() + "\r\n";
    ASSERT_GE(log.size(), lastLine.size());
    EXPECT_EQ(log.substr(log.size() - lastLine.size()), lastLine);
}
