// Times the real Setup.exe the way a person meets it, through the UI driver:
// start to the welcome page, the click on Next on the destination page to the
// copying page (the counting walk), to the end of the copy (the configuring
// text appears) and to the finish page (the installation is done). Also
// reads the installer's peak working set once the copy is over.
//
//   setup_copy_bench.exe <Setup.exe> <destination folder> [--copy-timeout <s>] [--recheck <ms>]
//                        [--copy-recheck <ms>] [--log <file>]
//
// --recheck is how often the walk looks while it waits for a page, and
// --copy-recheck (default 100) while the copy runs: each look asks the
// wineserver about every window, and looking every few milliseconds during
// the copy loaded the server the copy waits on by a third again. The end of
// the copy is then seen up to that late; --log starts the installer with
// /LOG=<file>, whose time stamps give its copy phase exactly, as they give
// the silent run's. Prints one line of key=value figures in milliseconds;
// exit code 2 when a step failed (the message says which).
#include "bench/BenchTiming.h"
#include "res/resource.h"
#include "tools/driver/UiDriver.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class CStopwatch {
public:
    CStopwatch() {
        QueryPerformanceFrequency(&m_frequency);
        QueryPerformanceCounter(&m_start);
    }
    double Milliseconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return ::Milliseconds(m_start, now, m_frequency);
    }

private:
    LARGE_INTEGER m_frequency{}, m_start{};
};

// The peak working set of the installer's process in KB, or 0 when the
// system does not tell it.
unsigned long long PeakWorkingSetKb(DWORD processId) {
    CHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return 0;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process.Get(), &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize / 1024;
}

} // namespace

int main(int argc, char** argv) {
    DWORD copyTimeoutMs = 600000;
    DWORD recheckMs = 25;
    DWORD copyRecheckMs = 100;
    CString arguments;
    bool usage = argc < 3;
    for (int i = 3; i < argc && !usage; i += 2) {
        const int value = i + 1 < argc ? std::atoi(argv[i + 1]) : 0;
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            arguments = CString("\"/LOG=") + argv[i + 1] + "\"";
        } else if (value <= 0) {
            usage = true;
        } else if (std::strcmp(argv[i], "--copy-timeout") == 0) {
            copyTimeoutMs = static_cast<DWORD>(value) * 1000;
        } else if (std::strcmp(argv[i], "--recheck") == 0) {
            recheckMs = static_cast<DWORD>(value);
        } else if (std::strcmp(argv[i], "--copy-recheck") == 0) {
            copyRecheckMs = static_cast<DWORD>(value);
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr, "usage: setup_copy_bench.exe <Setup.exe> <destination folder> "
                             "[--copy-timeout <s>] [--recheck <ms>] [--copy-recheck <ms>] "
                             "[--log <file>]\n");
        return 1;
    }

    CUiDriver driver(60000);
    driver.SetFailureHandler([&driver](const CString& message) {
        std::fprintf(stderr, "setup_copy_bench: %s\n", message.GetString());
        driver.Terminate();
        std::fflush(stdout);
        ExitProcess(2);
    });

    // Each figure is late by up to one re-check of the driver; each re-check
    // costs the installer's process a little.
    driver.SetRecheckInterval(recheckMs);
    CStopwatch clock;
    driver.Launch(argv[1], arguments);
    // An earlier installation in this prefix makes the installer ask first.
    HWND first = driver.WaitFor("the welcome page or the reinstall question", [&]() -> HWND {
        if (HWND page = driver.FindPage(WizardPage::Welcome)) return page;
        return driver.FindMessageBox("已经安装了本软件");
    });
    if (!driver.FindPage(WizardPage::Welcome)) driver.Answer(first, IDYES);
    HWND welcome = driver.WaitForPage(WizardPage::Welcome);
    const double welcomeMs = clock.Milliseconds();
    driver.Click(welcome, IDC_NEXT);

    HWND agreement = driver.WaitForPage(WizardPage::Agreement);
    driver.Click(agreement, IDC_AGREE);
    driver.Click(agreement, IDC_NEXT);

    HWND destination = driver.WaitForPage(WizardPage::Destination);
    driver.TypeText(destination, IDC_INSTALL_PATH, argv[2]);

    // Posted rather than clicked through the driver: Click waits for the
    // destination page's thread to handle the click, which includes the whole
    // counting walk of the copying page opened by it.
    const double nextMs = clock.Milliseconds();
    PostMessageA(destination, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(destination, IDC_NEXT)));

    driver.SetTimeout(copyTimeoutMs);
    driver.WaitFor("the copying page", [&]() -> HWND {
        if (HWND box = driver.FindMessageBox(nullptr)) {
            driver.Fail("the installer asks \"" + CUiDriver::MessageBoxText(box) + "\"");
        }
        return driver.FindPage(WizardPage::Copying);
    });
    HWND copying = driver.FindPage(WizardPage::Copying);
    const double copyingMs = clock.Milliseconds();
    // The finish page and any box are windows created, which wake the walk
    // at once; only the configuring text (shown, not created) waits for a look.
    driver.SetRecheckInterval(copyRecheckMs);
    // The end of the copy: the page hides its bar and shows the configuring
    // text (or the installation is already done).
    // While the copying page stands, a look asks only about its configuring
    // text; the search over every window for the finish page or a box, which
    // costs the server a hundred questions, is made on every tenth look.
    int looks = 0;
    driver.WaitFor("the end of the copy", [&]() -> HWND {
        HWND text = GetDlgItem(copying, IDC_CONFIGURING);
        if (text && IsWindowVisible(text)) return text;
        if (IsWindow(copying) && ++looks % 10 != 0) return nullptr;
        if (HWND page = driver.FindPage(WizardPage::Finish)) return page;
        if (HWND box = driver.FindMessageBox(nullptr)) {
            driver.Fail("the installer asks \"" + CUiDriver::MessageBoxText(box) + "\"");
        }
        return nullptr;
    });
    const double copyEndMs = clock.Milliseconds();
    HWND finish = driver.WaitFor("the finish page", [&]() -> HWND {
        if (HWND box = driver.FindMessageBox(nullptr)) {
            driver.Fail("the installer asks \"" + CUiDriver::MessageBoxText(box) + "\"");
        }
        return driver.FindPage(WizardPage::Finish);
    });
    const double doneMs = clock.Milliseconds();
    const unsigned long long peakKb = PeakWorkingSetKb(driver.ProcessId());
    driver.SetTimeout(60000);
    driver.SetRecheckInterval(recheckMs);

    if (driver.IsChecked(finish, IDC_README)) driver.Click(finish, IDC_README);
    driver.Click(finish, IDC_NEXT);
    const DWORD exitCode = driver.WaitForExit();

    std::printf("welcome_ms=%.1f counting_ms=%.1f copy_ms=%.1f done_ms=%.1f peak_ws_kb=%llu "
                "exit=%lu\n",
                welcomeMs, copyingMs - nextMs, copyEndMs - nextMs, doneMs - nextMs, peakKb,
                exitCode);
    return 0;
}
