// The copy floor: the least a Win32 program can do to copy the twelve content
// folders of a distribution into a destination, with no window and no
// messages. FindFirstFile over each folder, CreateDirectoryA for every
// folder, CopyFileA for every file (lower-cased destination names, as the
// installer writes them). Prints the elapsed time of the copy alone.
//
// Two options add a per-entry cost on top, to show what it weighs:
// --attributes clears each copied file's attributes, as the installer does
// for files it replaces; --notify sends every entry to a status line owned
// by a second (UI) thread, as the installer's worker did before its page
// held the reports.
//
//   copy_floor.exe <distribution folder> <destination folder> [--attributes] [--notify]
#include "bench/BenchTiming.h"
#include "engine/SetupThread.h"
#include "framework/Handles.h"
#include "framework/String.h"

#include <cstdio>
#include <cstring>

namespace {

struct Totals {
    long files = 0;
    long folders = 0;
    long failures = 0;
};

struct Options {
    bool attributes = false;
    HWND statusLine = nullptr; // set with --notify
};

// The status line's thread: a static text window and its message loop, as
// the installer's page thread has.
struct StatusThread {
    HANDLE ready = nullptr;
    HWND window = nullptr;

    static DWORD WINAPI Main(void* parameter) {
        auto* self = static_cast<StatusThread*>(parameter);
        self->window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 20, nullptr, nullptr,
                                       nullptr, nullptr);
        SetEvent(self->ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        if (self->window) DestroyWindow(self->window);
        return 0;
    }
};

void CopyOneFile(const CString& source, CString target, const Options& options, Totals& totals) {
    target.MakeLower();
    if (!CopyFileA(source, target, FALSE)) {
        std::fprintf(stderr, "cannot copy %s (error %lu)\n", source.GetString(), GetLastError());
        ++totals.failures;
        return;
    }
    ++totals.files;
    if (options.attributes) SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
}

void CopyFolder(CString source, CString destination, const Options& options, Totals& totals) {
    source.AppendBackslashIfMissing();
    destination.AppendBackslashIfMissing();
    if (!CreateDirectoryA(destination, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        std::fprintf(stderr, "cannot create %s (error %lu)\n", destination.GetString(),
                     GetLastError());
        ++totals.failures;
        return;
    }
    ++totals.folders;
    WIN32_FIND_DATAA data;
    CFindHandle find(FindFirstFileA(source + "*.*", &data));
    if (!find) return;
    do {
        const CString name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CopyFolder(source + name, destination + name, options, totals);
        } else {
            CopyOneFile(source + name, destination + name, options, totals);
        }
        if (options.statusLine) {
            const CString text = destination + name + " ...";
            SendMessageA(options.statusLine, WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(text.GetString()));
        }
    } while (FindNextFileA(find.Get(), &data));
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    bool notify = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--attributes") == 0)
            options.attributes = true;
        else if (std::strcmp(argv[i], "--notify") == 0)
            notify = true;
        else
            argc = 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: copy_floor.exe <distribution folder> <destination folder> "
                             "[--attributes] [--notify]\n");
        return 1;
    }
    StatusThread status;
    CHandle statusThread;
    CHandle statusReady(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (notify) {
        status.ready = statusReady.Get();
        DWORD threadId = 0;
        statusThread.Reset(CreateThread(nullptr, 0, StatusThread::Main, &status, 0, &threadId));
        if (!statusThread || WaitForSingleObject(statusReady.Get(), 10000) != WAIT_OBJECT_0 ||
            !status.window) {
            std::fprintf(stderr, "cannot start the status line's thread\n");
            return 1;
        }
        options.statusLine = status.window;
    }
    CString source = argv[1], destination = argv[2];
    source.AppendBackslashIfMissing();
    destination.AppendBackslashIfMissing();
    CreateDirectoryA(destination, nullptr);

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Totals totals;
    for (const char* name : CONTENT_FOLDERS)
        CopyFolder(source + name, destination + name, options, totals);
    QueryPerformanceCounter(&end);
    if (statusThread) {
        PostMessageA(status.window, WM_QUIT, 0, 0);
        WaitForSingleObject(statusThread.Get(), 10000);
    }

    const double ms = Milliseconds(start, end, frequency);
    std::printf("copy_ms=%.1f files=%ld folders=%ld failures=%ld\n", ms, totals.files,
                totals.folders, totals.failures);
    return totals.failures ? 2 : 0;
}
