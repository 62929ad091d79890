// KelvraDriver: walks the real Setup.exe through a typical installation as a
// person would, saving a screenshot of every page, and prints each step with
// the time it happened.
//
//   KelvraDriver.exe <Setup.exe> [--destination <folder>] [--shots <folder>]
//                    [--timeout <s>] [--copy-timeout <s>] [--open-readme]
//   KelvraDriver.exe --uninstall [--remove-data] [--shots <folder>] [--timeout <s>]
//
// With --uninstall it walks the uninstaller instead, started from the
// uninstall entry's UninstallString as Programs and Features starts it:
// Yes on the question (the data files kept unless --remove-data), Ignore for
// a file in use, OK on the last box; it prints the uninstaller's exit code.
//
// Exit code 0 when the installer ended after its finish page (the
// uninstaller with an exit code of 0 or 3010); 2 when a step failed (the
// message says which and what was awaited).
#include "framework/WideText.h"
#include "host_cad/Registry.h"
#include "res/UninstallResource.h"
#include "res/resource.h"
#include "tools/driver/ScreenCapture.h"
#include "tools/driver/UiDriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <shellapi.h>
#include <vector>

namespace {

struct Options {
    CString setupExe;
    CString destination;
    CString shots;
    DWORD timeoutMs = 30000;
    DWORD copyTimeoutMs = 120000;
    bool openReadme = false;
    bool uninstall = false;
    bool removeData = false;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: KelvraDriver.exe <Setup.exe> [--destination <folder>] [--shots <folder>]\n"
                 "                        [--timeout <s>] [--copy-timeout <s>] [--open-readme]\n"
                 "       KelvraDriver.exe --uninstall [--remove-data] [--shots <folder>] "
                 "[--timeout <s>]\n");
    return 1;
}

bool ParseSeconds(const char* text, DWORD& ms) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (!end || *end || seconds <= 0 || seconds > 3600) return false;
    ms = static_cast<DWORD>(seconds) * 1000;
    return true;
}

// The arguments as typed, from the wide command line, in code page 936: a
// Chinese destination arrives whole whatever the system's code page.
bool Arguments(std::vector<CString>& arguments) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        CString argument;
        ok = ToNarrow(wide[i], static_cast<int>(std::wcslen(wide[i])), argument);
        if (ok)
            arguments.push_back(argument);
        else
            std::fprintf(stderr, "driver: argument %d is not code page 936 text\n", i);
    }
    LocalFree(wide);
    return ok;
}

bool Parse(const std::vector<CString>& argv, Options& options) {
    const size_t argc = argv.size();
    for (size_t i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--destination") == 0 && hasValue)
            options.destination = argv[++i];
        else if (std::strcmp(arg, "--shots") == 0 && hasValue)
            options.shots = argv[++i];
        else if (std::strcmp(arg, "--timeout") == 0 && hasValue) {
            if (!ParseSeconds(argv[++i], options.timeoutMs)) return false;
        } else if (std::strcmp(arg, "--copy-timeout") == 0 && hasValue) {
            if (!ParseSeconds(argv[++i], options.copyTimeoutMs)) return false;
        } else if (std::strcmp(arg, "--open-readme") == 0)
            options.openReadme = true;
        else if (std::strcmp(arg, "--uninstall") == 0)
            options.uninstall = true;
        else if (std::strcmp(arg, "--remove-data") == 0)
            options.removeData = true;
        else if (arg[0] != '-' && options.setupExe.IsEmpty())
            options.setupExe = arg;
        else
            return false;
    }
    return options.uninstall != !options.setupExe.IsEmpty();
}

class Walk {
public:
    explicit Walk(const Options& options) : m_options(options), m_driver(options.timeoutMs) {
        m_driver.SetLog(stdout);
        m_driver.SetFailureHandler([this](const CString& message) {
            std::fprintf(stderr, "driver: %s\n", message.GetString());
            Shot("failure");
            m_driver.Terminate();
            std::fflush(stdout);
            ExitProcess(2);
        });
    }

    int Run() {
        m_driver.Launch(m_options.setupExe);

        // An earlier installation makes the host ask first: reinstall.
        HWND first = m_driver.WaitFor("the welcome page or the reinstall question", [&]() -> HWND {
            if (HWND page = m_driver.FindPage(WizardPage::Welcome)) return page;
            return m_driver.FindMessageBox("已经安装了本软件");
        });
        if (!m_driver.FindPage(WizardPage::Welcome)) {
            m_driver.Record("the reinstall question is shown: " + CUiDriver::MessageBoxText(first));
            Shot("0-reinstall-question");
            m_driver.Answer(first, IDYES);
        }

        HWND welcome = m_driver.WaitForPage(WizardPage::Welcome);
        Shot("1-welcome");
        m_driver.Click(welcome, IDC_NEXT);

        HWND agreement = m_driver.WaitForPage(WizardPage::Agreement);
        m_driver.Click(agreement, IDC_AGREE);
        if (!m_driver.IsEnabled(agreement, IDC_NEXT))
            m_driver.Fail("Next stays disabled after \"同意\"");
        Shot("2-agreement");
        m_driver.Click(agreement, IDC_NEXT);

        HWND destination = m_driver.WaitForPage(WizardPage::Destination);
        m_driver.Record("the destination page offers \"" +
                        m_driver.ReadText(destination, IDC_INSTALL_PATH) + "\"");
        if (!m_options.destination.IsEmpty())
            m_driver.TypeText(destination, IDC_INSTALL_PATH, m_options.destination);
        Shot("3-destination");
        m_driver.Click(destination, IDC_NEXT);

        m_driver.WaitForPage(WizardPage::Copying);
        Shot("4-copying");

        // The copy may take long; any box the engine raises here needs a
        // decision an unattended walk does not make: report it.
        m_driver.SetTimeout(m_options.copyTimeoutMs);
        HWND next = m_driver.WaitFor("the finish page (the copy to complete)", [&]() -> HWND {
            if (HWND page = m_driver.FindPage(WizardPage::Finish)) return page;
            return m_driver.FindMessageBox(nullptr);
        });
        m_driver.SetTimeout(m_options.timeoutMs);
        if (!m_driver.FindPage(WizardPage::Finish)) {
            Shot("4-copying-message");
            m_driver.Fail("the installer asks \"" + CUiDriver::MessageBoxText(next) + "\"");
        }
        HWND finish = m_driver.WaitForPage(WizardPage::Finish);
        Shot("5-finish");
        if (!m_options.openReadme && m_driver.IsChecked(finish, IDC_README))
            m_driver.Click(finish, IDC_README);
        m_driver.Click(finish, IDC_NEXT);
        m_driver.WaitForExit();
        return 0;
    }

    int RunUninstall() {
        CString command;
        if (!ReadUninstallString(command))
            m_driver.Fail("the uninstall entry has no UninstallString");
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        m_driver.LaunchCommandLine(command, Narrow(system));

        HWND confirm = m_driver.WaitForDialog(IDC_UN_REMOVE_DATA, "the uninstall question");
        if (m_options.removeData) m_driver.Click(confirm, IDC_UN_REMOVE_DATA);
        Shot("6-uninstall-question");
        m_driver.Click(confirm, IDOK);

        // Until the last box: a file in use is ignored (it is then named there).
        m_driver.SetTimeout(m_options.copyTimeoutMs);
        bool shotProgress = false;
        for (;;) {
            HWND next = m_driver.WaitFor("the uninstaller's last box", [&]() -> HWND {
                if (HWND box = m_driver.FindMessageBox(nullptr)) return box;
                return shotProgress ? nullptr : m_driver.FindDialog(IDC_UN_PROGRESS);
            });
            if (!shotProgress && m_driver.FindDialog(IDC_UN_PROGRESS) == next) {
                shotProgress = true;
                Shot("7-uninstall-progress");
                continue;
            }
            if (GetDlgItem(next, IDIGNORE)) {
                m_driver.Record("a file in use: " + CUiDriver::MessageBoxText(next));
                Shot("7-uninstall-file-in-use");
                m_driver.Answer(next, IDIGNORE);
                continue;
            }
            m_driver.Record("the last box says: " + CUiDriver::MessageBoxText(next));
            Shot("8-uninstall-done");
            m_driver.Answer(next, IDOK);
            break;
        }
        m_driver.SetTimeout(m_options.timeoutMs);
        const DWORD code = m_driver.WaitForExit();
        // The copy still clears away the original and the emptied folder.
        m_driver.WaitForDescendants();
        std::printf("the uninstaller's exit code: %lu\n", code);
        return code == 0 || code == 3010 ? 0 : 2;
    }

private:
    static bool ReadUninstallString(CString& command) {
        CRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                          L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9", 0,
                          KEY_READ, key.Out()) != ERROR_SUCCESS)
            return false;
        return ReadRegistryText(key.Get(), "UninstallString", command) && !command.IsEmpty();
    }

    void Shot(const char* name) {
        if (m_options.shots.IsEmpty()) return;
        m_driver.Settle();
        CString path = m_options.shots;
        path.AppendBackslashIfMissing();
        path += CString(name) + ".bmp";
        if (SaveScreenshot(path))
            m_driver.Record("screenshot " + path);
        else
            m_driver.Record("could not save the screenshot " + path);
    }

    const Options& m_options;
    CUiDriver m_driver;
};

} // namespace

int main() {
    Options options;
    std::vector<CString> arguments;
    if (!Arguments(arguments)) return 1;
    if (!Parse(arguments, options)) return Usage();
    std::wstring shots;
    if (!options.shots.IsEmpty() && ToWide(options.shots, shots))
        CreateDirectoryW(shots.c_str(), nullptr);
    Walk walk(options);
    return options.uninstall ? walk.RunUninstall() : walk.Run();
}
