// Times the check before the first change on tree (a): the walk that weighs
// the space (every file of the twelve content folders and the program files)
// and the modules asked of the Restart Manager and opened, for a first
// installation (the destination does not exist) and for a reinstallation
// over the installed tree (every module there is asked). For comparison, at
// the same moment: the copy floor of the same tree (CreateDirectoryW and
// CopyFileW per entry), and the documented install times of tree (a).
//
//   install_check_bench.exe [runs] [folder]
//
// The tree is laid out once in folder (default %TEMP%\kelvra_check_bench):
// tree (a)'s shape as bench/make-tree.py makes it (20,000 files of 1 to
// 16 KB, three nested levels below each content folder), with the sample
// distribution's loaders (Support\...\LoadKelvra.arx), a control and the
// program files beside it.
#include "engine/InstallCheck.h"
#include "engine/SetupThread.h"
#include "framework/WideText.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

const int kFiles = 20000;
const char* const kLoaders[] = {"2000-02\\arx",     "2004-06\\ARX",     "2007-09\\ARX",
                                "2010-12\\64\\ARX", "2010-12\\32\\ARX", "2013-15\\64\\ARX"};
const char* const kProgramFiles[] = {"Kelvra-64.exe",  "Uninstall-64.exe", "KelvraUserSetup.exe",
                                     "KelvraV9.0.ico", "KelvraHelp.chm",   "Kelvra.url",
                                     "readme.txt"};

bool MakeFolders(const CString& path) {
    for (int i = 3; i <= path.GetLength(); ++i) {
        if (i < path.GetLength() && path.GetAt(i) != '\\') continue;
        CreateDirectoryW(Wide(path.Left(i)).c_str(), nullptr);
    }
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteBytes(const CString& path, size_t size) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::string bytes(size, 'k');
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(h);
    return written == size;
}

// The distribution in source; its files (relative paths) in files.
bool LayOut(const CString& source, CStringArray& files) {
    unsigned seed = 9;
    for (int i = 0; i < kFiles; ++i) {
        const int level = i / 12;
        CString relative;
        relative.Format("%s\\SUB%d\\分类%d\\LEVEL%d\\FILE%05d.DAT", CONTENT_FOLDERS[i % 12],
                        level % 4, (level / 4) % 4, (level / 16) % 4, i);
        seed = seed * 1103515245u + 12345u;
        const size_t size = 1024 + (seed >> 8) % (15 * 1024 + 1);
        if (!MakeFolders(source + relative.Left(relative.ReverseFind('\\'))) ||
            !WriteBytes(source + relative, size))
            return false;
        files.push_back(relative);
    }
    for (const char* loader : kLoaders) {
        const CString folder = CString("Support\\") + loader;
        if (!MakeFolders(source + folder) ||
            !WriteBytes(source + folder + "\\LoadKelvra.arx", 90000))
            return false;
        files.push_back(folder + "\\LoadKelvra.arx");
    }
    if (!MakeFolders(source + "Control") ||
        !WriteBytes(source + "Control\\KelvraSample.ocx", 60000))
        return false;
    files.push_back("Control\\KelvraSample.ocx");
    for (const char* name : kProgramFiles)
        if (!WriteBytes(source + name, 200000)) return false;
    return true;
}

void RemoveTree(const CString& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const CString path = folder + Narrow(name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path + "\\");
        else
            DeleteFileW(Wide(path).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
    RemoveDirectoryW(Wide(folder).c_str());
}

// The copy floor: every file of the tree into destination, folders made on the way.
void CopyFloor(const CString& source, const CString& destination, const CStringArray& files) {
    for (const CString& file : files) {
        CString target = destination + file;
        MakeFolders(target.Left(target.ReverseFind('\\')));
        target.MakeLower();
        CopyFileW(Wide(source + file).c_str(), Wide(target).c_str(), FALSE);
    }
    for (const char* name : kProgramFiles)
        CopyFileW(Wide(source + name).c_str(), Wide(destination + name).c_str(), FALSE);
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    CString root;
    if (argc > 2) {
        root = argv[2];
    } else {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root = Narrow(temp) + "kelvra_check_bench";
    }
    root.AppendBackslashIfMissing();
    const CString source = root + "dist\\";
    const CString fresh = root + "目标 fresh\\";
    const CString installed = root + "目标 installed\\";
    CStringArray files;
    RemoveTree(root);
    if (!LayOut(source, files)) {
        std::printf("cannot lay out the tree under %s\n", source.GetString());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> first, again, floor;
    size_t modules = 0;
    ULONGLONG needed = 0;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER t0, t1, t2, t3;
        RemoveTree(installed);
        QueryPerformanceCounter(&t0);
        const InstallCheck firstCheck = CheckInstallation(source, fresh);
        QueryPerformanceCounter(&t1);
        CopyFloor(source, installed, files);
        QueryPerformanceCounter(&t2);
        const InstallCheck secondCheck = CheckInstallation(source, installed);
        QueryPerformanceCounter(&t3);
        if (!firstCheck.inUse.empty() || !secondCheck.inUse.empty())
            std::printf("files in use found: the figures include them\n");
        needed = firstCheck.space.needed;
        modules = std::size(kLoaders) + 1 + std::size(kProgramFiles);
        first.push_back(Milliseconds(t0, t1, frequency));
        floor.push_back(Milliseconds(t1, t2, frequency));
        again.push_back(Milliseconds(t2, t3, frequency));
    }
    RemoveTree(root);
    std::printf("tree (a): %zu files, %.1f MB to write by the check's count, %zu modules and "
                "program files asked\n",
                files.size() + std::size(kProgramFiles),
                static_cast<double>(needed) / (1024.0 * 1024.0), modules);
    Report("check, first installation", first);
    Report("check, reinstallation", again);
    Report("copy floor, same tree", floor);
    const double copy = Median(floor);
    for (const auto& [what, times] :
         {std::pair<const char*, const std::vector<double>&>{"first installation", first},
          std::pair<const char*, const std::vector<double>&>{"reinstallation", again}}) {
        const double median = Median(times);
        std::printf("%s: %.1f %% of the copy floor alongside, %.1f %% of the interactive "
                    "installation (9568 ms), %.1f %% of the silent one (12035 ms)\n",
                    what, 100.0 * median / copy, 100.0 * median / 9568.0, 100.0 * median / 12035.0);
    }
    return 0;
}
