// Times what the installation record adds to an installation of tree (a):
// each file the copy wrote noted with the size and time of the source's
// listing entry (which the copy already has, and which CopyFile carries
// over), and the record of 20,000 files and 1,041 folders serialised and
// saved (temporary file, then rename). For comparison, at the same moment:
// asking each file (GetFileAttributesExW), a listing per folder, and the copy
// floor of the same files.
// The tree is laid out once in the temp folder with the copy's lower-cased
// names; each run records it afresh.
#include "engine/InstallRecord.h"
#include "engine/SetupThread.h"
#include "framework/WideText.h"

#include "bench/BenchTiming.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double WorkingSetMb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

const int kFolders = 1041;
const int kFiles = 20000;

// Temp\kelvra_record_bench\目标 kelvra\线型库\分类NNNN\linetypeNNNNN.lin
bool LayOut(const CString& root, CStringArray& folders, CStringArray& files) {
    CreateDirectoryW(Wide(root).c_str(), nullptr);
    const CString top = root + "目标 kelvra\\";
    CreateDirectoryW(Wide(top).c_str(), nullptr);
    for (int i = 0; i < kFolders; ++i) {
        CString folder;
        folder.Format("%s线型库%04d", top.GetString(), i);
        if (!CreateDirectoryW(Wide(folder).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        folders.push_back(folder);
    }
    for (int i = 0; i < kFiles; ++i) {
        CString file;
        file.Format("%s\\linetype%05d.lin", folders[static_cast<size_t>(i % kFolders)].GetString(),
                    i);
        HANDLE h = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(h, "*LINETYPE", 9, &written, nullptr);
        CloseHandle(h);
        files.push_back(file);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const CString root = Narrow(temp) + "kelvra_record_bench\\";
    CStringArray folders;
    CStringArray files;
    if (!LayOut(root, folders, files)) {
        std::printf("cannot lay out the tree under %s\n", root.GetString());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    // The listing entries the copy walks anyway (not timed).
    std::vector<WIN32_FIND_DATAW> listed(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExW(Wide(files[i]).c_str(), GetFileExInfoStandard, &data);
        listed[i].nFileSizeHigh = data.nFileSizeHigh;
        listed[i].nFileSizeLow = data.nFileSizeLow;
        listed[i].ftLastWriteTime = data.ftLastWriteTime;
    }
    // What the record of the whole tree holds in memory, as the copy leaves it.
    double recordMb = 0;
    {
        const double before = WorkingSetMb();
        CSetupThread worker;
        for (const CString& folder : folders) worker.m_record.AddCreatedFolder(folder);
        for (size_t i = 0; i < files.size(); ++i) worker.RecordWrittenFile(files[i], listed[i]);
        recordMb = WorkingSetMb() - before;
    }
    std::vector<double> noted, asked, saved, whole;
    size_t bytes = 0;
    for (int run = 0; run < runs; ++run) {
        CSetupThread worker;
        LARGE_INTEGER t0, t1, t2, t3;
        QueryPerformanceCounter(&t0);
        for (const CString& folder : folders) worker.m_record.AddCreatedFolder(folder);
        for (size_t i = 0; i < files.size(); ++i) worker.RecordWrittenFile(files[i], listed[i]);
        QueryPerformanceCounter(&t1);
        if (!worker.m_record.Save(RecordPathBeside(root))) std::printf("save failed\n");
        QueryPerformanceCounter(&t2);
        CSetupThread asking;
        for (const CString& file : files) asking.RecordWrittenFile(file);
        QueryPerformanceCounter(&t3);
        if (worker.m_record.files.size() != files.size()) std::printf("files missing\n");
        bytes = static_cast<size_t>(worker.m_record.Serialize().GetLength());
        noted.push_back(Milliseconds(t0, t1, frequency));
        saved.push_back(Milliseconds(t1, t2, frequency));
        asked.push_back(Milliseconds(t2, t3, frequency));
        whole.push_back(Milliseconds(t0, t2, frequency));
    }
    // For comparison, at the same moment: the same files asked folder by
    // folder through a listing, and the copy floor (CopyFileW of every file).
    std::vector<double> listing, copied;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER t0, t1, t2;
        size_t seen = 0;
        QueryPerformanceCounter(&t0);
        for (const CString& folder : folders) {
            WIN32_FIND_DATAW data;
            HANDLE find = FindFirstFileW(Wide(folder + "\\*").c_str(), &data);
            if (find == INVALID_HANDLE_VALUE) continue;
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++seen;
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        QueryPerformanceCounter(&t1);
        for (const CString& file : files)
            CopyFileW(Wide(file).c_str(), Wide(file + ".copy").c_str(), FALSE);
        QueryPerformanceCounter(&t2);
        for (const CString& file : files) DeleteFileW(Wide(file + ".copy").c_str());
        if (seen != files.size()) std::printf("listed %zu files\n", seen);
        listing.push_back(Milliseconds(t0, t1, frequency));
        copied.push_back(Milliseconds(t1, t2, frequency));
    }
    std::printf("record of %zu files and %zu folders: %zu bytes, %.1f MB in memory\n", files.size(),
                folders.size(), bytes, recordMb);
    Report("listing per folder (alternative)", listing);
    Report("copy floor, same files", copied);
    Report("files and folders noted", noted);
    Report("asked per file (alternative)", asked);
    Report("serialise and save", saved);
    Report("record, whole", whole);
    std::sort(whole.begin(), whole.end());
    std::sort(copied.begin(), copied.end());
    const double median = whole[whole.size() / 2];
    std::printf("record against the copy floor measured alongside: %.2f %%\n",
                100.0 * median / copied[copied.size() / 2]);
    // The install times of tree (a) in bench/README.md.
    std::printf("share of the interactive installation (9568 ms): %.2f %%\n",
                100.0 * median / 9568.0);
    std::printf("share of the silent installation (12035 ms): %.2f %%\n", 100.0 * median / 12035.0);
    return 0;
}
