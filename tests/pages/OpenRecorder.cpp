// A stand-in for the program associated with text files. The finish-page
// tests register it as the open command of .txt files:
//
//   open_recorder.exe <record file> <recorded event> <release event> <document>
//
// It writes the document's path, the show command it was started with and the
// process that started it into the record file (code page 936, one per
// line), signals the recorded event,
// and stays alive until the release event (or a minute) so that a test can
// see it running.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <string>

namespace {

std::string ToAnsi(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<size_t>(size - 1));
    return result;
}

bool WriteRecord(const wchar_t* file, const std::string& record) {
    HANDLE h =
        CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == record.size();
}

// The process that started this one (the shell's caller), or 0.
DWORD ParentProcessId() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    if (argc != 5) {
        LocalFree(argv);
        return 2;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    std::string record = ToAnsi(argv[4]) + "\n" + std::to_string(show) + "\n" +
                         std::to_string(ParentProcessId()) + "\n";
    bool written = WriteRecord(argv[1], record);
    HANDLE recorded = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (recorded) {
        SetEvent(recorded);
        CloseHandle(recorded);
    }
    if (release) {
        WaitForSingleObject(release, 60000);
        CloseHandle(release);
    }
    LocalFree(argv);
    return written ? 0 : 1;
}
