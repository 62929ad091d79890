#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Thread.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"

#include <gtest/gtest.h>

namespace {

// A dialog over the welcome page's template that records what reaches it.
class ProbeDialog : public CDialog {
public:
    ProbeDialog() : CDialog(IDD_INTROPAGE) {}
    CButton m_next;
    int m_initCount = 0;
    int m_clicked = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_NEXT, m_next); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ++m_initCount;
        return TRUE;
    }
    bool OnButtonClicked(int id) override {
        m_clicked = id;
        EndDialog(777);
        return true;
    }
};

} // namespace

TEST(DialogTest, MissingTemplateMakesDoModalFail) {
    CDialog missing(4242);
    EXPECT_EQ(missing.DoModal(), -1);
}

TEST(DialogTest, ButtonClicksReachTheClassAndEndTheDialog) {
    ProbeDialog dlg;
    INT_PTR result = 0;
    DialogDriver driver;
    driver.Run([&] { result = dlg.DoModal(); },
               [](DialogDriver& d) { d.Click(d.WaitForDialog(IDC_NEXT), IDC_NEXT); });
    EXPECT_EQ(result, 777);
    EXPECT_EQ(dlg.m_clicked, IDC_NEXT);
    // The control was bound and released with its window.
    EXPECT_EQ(dlg.m_next.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(DialogTest, CancelEscapeCloseBoxAndDefaultOkEndWithTheirCodes) {
    ProbeDialog dlg;
    INT_PTR results[4] = {};
    DialogDriver driver;
    driver.Run(
        [&] {
            for (auto& r : results) r = dlg.DoModal();
        },
        [](DialogDriver& d) {
            d.Click(d.WaitForDialog(IDC_NEXT), IDCANCEL);
            d.PressKey(d.WaitForDialog(IDC_NEXT), VK_ESCAPE);
            d.CloseBox(d.WaitForDialog(IDC_NEXT));
            d.Command(d.WaitForDialog(IDC_NEXT), IDOK);
        });
    EXPECT_EQ(results[0], IDCANCEL);
    EXPECT_EQ(results[1], IDCANCEL);
    EXPECT_EQ(results[2], IDCANCEL);
    EXPECT_EQ(results[3], IDOK);
    // Every visit initialises the dialog again and binds the control anew.
    EXPECT_EQ(dlg.m_initCount, 4);
}

TEST(ThreadTest, WaitWhileDispatchingServesMessagesSentByTheThread) {
    // The thread sends to a window of this thread: a plain wait would deadlock.
    HWND target =
        CreateWindowA("STATIC", "before", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    struct Sender : CWinThread {
        HWND window = nullptr;
        BOOL InitInstance() override { return TRUE; }
        int Run() override {
            SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("after"));
            return 5;
        }
    } sender;
    sender.window = target;
    sender.m_bAutoDelete = FALSE;
    ASSERT_TRUE(sender.CreateThread());
    EXPECT_TRUE(WaitWhileDispatching(sender.GetThreadHandle(), 20000));
    DWORD code = 0;
    GetExitCodeThread(sender.GetThreadHandle(), &code);
    EXPECT_EQ(code, 5u);
    char text[16] = {};
    GetWindowTextA(target, text, sizeof(text));
    EXPECT_STREQ(text, "after");
    DestroyWindow(target);
}

namespace {
HANDLE g_releaseWaiter = nullptr;
}

// A quit that reaches a waiting page (the program is ending) must not end the
// wait while the thread runs: the thread's object lives in the page.
TEST(ThreadTest, WaitWhileDispatchingKeepsWaitingThroughAQuitAndPostsItAgain) {
    CHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_releaseWaiter = release.Get();
    struct Waiter : CWinThread {
        BOOL InitInstance() override { return TRUE; }
        int Run() override { return WaitForSingleObject(g_releaseWaiter, 20000) == WAIT_OBJECT_0; }
    } waiter;
    waiter.m_bAutoDelete = FALSE;
    ASSERT_TRUE(waiter.CreateThread());
    // The thread ends when this thread's timer fires, after the quit queued
    // before it.
    const UINT_PTR timer =
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { SetEvent(g_releaseWaiter); });
    ASSERT_NE(timer, 0u);
    PostQuitMessage(7);

    const bool ended = WaitWhileDispatching(waiter.GetThreadHandle(), 20000);
    KillTimer(nullptr, timer);
    SetEvent(release.Get());
    WaitForSingleObject(waiter.GetThreadHandle(), 20000);
    EXPECT_TRUE(ended);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
