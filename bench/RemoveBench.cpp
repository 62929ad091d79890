// The removal benchmark's timer. Two modes:
//
//   remove_bench.exe floor <folder>
//       The removal floor: the least a Win32 program can do to remove a tree,
//       FindFirstFile over each folder, DeleteFileA for every file,
//       RemoveDirectoryA for every folder, deepest first. No window, no log.
//
//   remove_bench.exe handles <folder>
//       The same tree removed through handles, as the uninstaller's walk does
//       it: the folder opened once by its path, every entry opened relative
//       to its folder's handle, checked on its own handle and deleted through
//       it (framework/HandleRemoval.h). Same figures as the floor.
//
//   remove_bench.exe run <program> [arguments...]
//       Starts the program, waits until it and every copy of itself it
//       started have ended (an uninstaller that hands its work to a copy of
//       itself is timed to the copy's end), and prints the elapsed time, the
//       exit code and the highest peak working set among those processes.
//       Other descendants are not followed: Wine starts long-lived helpers
//       (the desktop, services) from the first program that needs them.
//
// Both modes print one line of key=value figures. The bench script times every
// contender through "run", so each pays for the start of a Wine process alike.
#include "bench/BenchTiming.h"
#include "framework/Handles.h"
#include "framework/String.h"
#include "framework/WideText.h"
#include "framework/HandleRemoval.h"

#include <psapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

struct Totals {
    long files = 0;
    long folders = 0;
    long failures = 0;
};

void RemoveTree(CString folder, Totals& totals) {
    folder.AppendBackslashIfMissing();
    WIN32_FIND_DATAA data;
    {
        CFindHandle find(FindFirstFileA(folder + "*.*", &data));
        if (find) {
            do {
                const CString name = data.cFileName;
                if (name == "." || name == "..") continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(folder + name, totals);
                } else if (DeleteFileA(folder + name)) {
                    ++totals.files;
                } else {
                    ++totals.failures;
                }
            } while (FindNextFileA(find.Get(), &data));
        }
    }
    if (RemoveDirectoryA(folder))
        ++totals.folders;
    else
        ++totals.failures;
}

int Floor(const char* folder) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Totals totals;
    RemoveTree(folder, totals);
    QueryPerformanceCounter(&end);
    std::printf("remove_ms=%.1f files=%ld folders=%ld failures=%ld\n",
                Milliseconds(start, end, frequency), totals.files, totals.folders, totals.failures);
    return totals.failures ? 2 : 0;
}

// Deletes everything it is shown and counts it.
class CountingWalk : public IHandleWalk {
public:
    Totals totals;
    EntryChoice Choose(const HandleEntry& entry) override {
        return entry.IsFolder() ? EntryChoice::Descend : EntryChoice::Delete;
    }
    bool DeleteAfterDescent(const HandleEntry&) override { return true; }
    bool OnError(const HandleEntry&, DWORD) override {
        ++totals.failures;
        return false;
    }
    void OnDeleted(const HandleEntry& entry) override {
        ++(entry.IsFolder() ? totals.folders : totals.files);
    }
};

int Handles(const char* folder) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    CountingWalk walk;
    {
        CRemovalHandle root;
        if (CRemovalHandle::OpenFolder(folder, root) || WalkFolder(root, walk))
            ++walk.totals.failures;
    }
    if (RemoveDirectoryW(Wide(folder).c_str()))
        ++walk.totals.folders;
    else
        ++walk.totals.failures;
    QueryPerformanceCounter(&end);
    const Totals& totals = walk.totals;
    std::printf("remove_ms=%.1f files=%ld folders=%ld failures=%ld\n",
                Milliseconds(start, end, frequency), totals.files, totals.folders, totals.failures);
    return totals.failures ? 2 : 0;
}

// The ids of the processes descended from root, running a program file of
// the given name, that are alive now.
std::set<DWORD> Copies(DWORD root, const char* exeName) {
    std::map<DWORD, DWORD> parentOf;
    std::set<DWORD> sameName;
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return {};
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (Process32First(snapshot.Get(), &entry)) {
        do {
            parentOf[entry.th32ProcessID] = entry.th32ParentProcessID;
            if (lstrcmpiA(entry.szExeFile, exeName) == 0) sameName.insert(entry.th32ProcessID);
        } while (Process32Next(snapshot.Get(), &entry));
    }
    std::set<DWORD> found;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const auto& [id, parent] : parentOf)
            if ((parent == root || found.count(parent)) && !found.count(id) && id != root &&
                sameName.count(id))
                grew = found.insert(id).second || grew;
    }
    return found;
}

SIZE_T PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(process, &counters, sizeof(counters))) return 0;
    return counters.PeakWorkingSetSize;
}

int Run(int argc, char** argv) {
    CString commandLine;
    for (int i = 2; i < argc; ++i) {
        if (i > 2) commandLine += " ";
        commandLine += std::strchr(argv[i], ' ') ? CString("\"") + argv[i] + "\"" : argv[i];
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    CString mutableLine = commandLine;
    if (!CreateProcessA(nullptr, mutableLine.GetBuffer(mutableLine.GetLength()), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &started)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", commandLine.GetString(),
                     GetLastError());
        return 1;
    }
    CHandle process(started.hProcess);
    // The file name, found on character boundaries (CP936 paths).
    const char* exeName = PathFindFileNameA(argv[2]);
    CHandle thread(started.hThread);

    // Every process of the tree, held open so its counters can still be read
    // once it has ended.
    std::map<DWORD, CHandle> watched;
    SIZE_T peak = 0;
    DWORD exitCode = 0;
    // The timer must not load the machine it measures: every look for new
    // copies asks the wineserver for the whole process list, so it looks
    // every 50 ms, while the end of any process it knows wakes it at once.
    for (;;) {
        for (DWORD id : Copies(started.dwProcessId, exeName)) {
            if (watched.count(id)) continue;
            HANDLE handle =
                OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, id);
            if (handle) watched[id].Reset(handle);
        }
        peak = std::max(peak, PeakWorkingSet(process.Get()));
        std::vector<HANDLE> alive;
        if (WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) alive.push_back(process.Get());
        for (auto& [id, handle] : watched) {
            peak = std::max(peak, PeakWorkingSet(handle.Get()));
            if (WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT) alive.push_back(handle.Get());
        }
        if (alive.empty()) break;
        WaitForMultipleObjects(
            static_cast<DWORD>(std::min<size_t>(alive.size(), MAXIMUM_WAIT_OBJECTS)), alive.data(),
            FALSE, 50);
    }
    QueryPerformanceCounter(&end);
    GetExitCodeProcess(process.Get(), &exitCode);
    std::printf("run_ms=%.1f exit=%lu processes=%zu peak_ws_kb=%llu\n",
                Milliseconds(start, end, frequency), exitCode, watched.size() + 1,
                static_cast<unsigned long long>(peak / 1024));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "floor") == 0) return Floor(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "handles") == 0) return Handles(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "run") == 0) return Run(argc, argv);
    std::fprintf(stderr, "usage: remove_bench.exe floor <folder>\n"
                         "       remove_bench.exe handles <folder>\n"
                         "       remove_bench.exe run <program> [arguments...]\n");
    return 1;
}
