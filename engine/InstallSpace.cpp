// The walk that weighs a run before it starts: the bytes it will write and
// the modules it will replace, named as the tree copy names them.
#include "engine/InstallCheck.h"

#include "engine/JoinPath.h"
#include "engine/RestartReplacement.h"
#include "engine/SetupThread.h"
#include "framework/FileFind.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Room for what the run writes after the copy: the uninstall log, the
// record (a line of about a hundred bytes per file, and it is written beside
// the old one before it replaces it) and the links.
constexpr ULONGLONG kLogAllowance = 64 * 1024;
constexpr ULONGLONG kRecordBytesPerFile = 2 * 128;

const char* const kModuleExtensions[] = {".arx", ".crx", ".dbx", ".dll", ".ocx", ".exe"};

bool IsModule(const CString& lowerName) {
    for (const char* extension : kModuleExtensions) {
        const int length = static_cast<int>(strlen(extension));
        if (lowerName.GetLength() > length &&
            lowerName.Mid(lowerName.GetLength() - length) == extension)
            return true;
    }
    return false;
}

ULONGLONG FileSize(const WIN32_FIND_DATAW& data) {
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Walk {
    ULONGLONG cluster = 0;
    // Also list the destination: replaced files count what they grow by.
    bool weighExisting = false;
    ULONGLONG bytes = 0;
    ULONGLONG files = 0;
    CStringArray* modules = nullptr;

    ULONGLONG Rounded(ULONGLONG size) const {
        return cluster ? (size + cluster - 1) / cluster * cluster : size;
    }
    // What writing a file of size over one of existing bytes adds.
    ULONGLONG Growth(ULONGLONG size, ULONGLONG existing) const {
        const ULONGLONG rounded = Rounded(size);
        const ULONGLONG before = Rounded(existing);
        return rounded > before ? rounded - before : 0;
    }
};

// The plain files of a destination folder by lower-cased name, with their sizes.
std::unordered_map<std::string, ULONGLONG> ExistingFiles(const CString& folder) {
    std::unordered_map<std::string, ULONGLONG> files;
    CFileFind finder;
    for (bool more = finder.FindFile(JoinPath(folder, "*.*")); more; more = finder.FindNextFile()) {
        if (finder.IsDirectory() || !finder.HasExactName()) continue;
        CString name = finder.GetFileName();
        files[name.MakeLower().str()] = FileSize(finder.Data());
    }
    return files;
}

// One content folder, as CSetupThread::CopyTree copies it.
void WalkTree(Walk& walk, CString source, const CString& destination) {
    source.AppendBackslashIfMissing();
    walk.bytes += walk.cluster; // the folder itself
    std::unordered_map<std::string, ULONGLONG> existing;
    if (walk.weighExisting) existing = ExistingFiles(destination);
    CFileFind finder;
    for (bool more = finder.FindFile(source + "*.*"); more; more = finder.FindNextFile()) {
        if (finder.IsDots() || !finder.HasExactName()) continue;
        const CString name = finder.GetFileName();
        if (finder.IsDirectory()) {
            WalkTree(walk, source + name, JoinPath(destination, name));
            continue;
        }
        CString lowerName = name;
        lowerName.MakeLower();
        const bool module = IsModule(lowerName);
        CString target = JoinPath(destination, name);
        target.MakeLower();
        ++walk.files;
        const ULONGLONG size = FileSize(finder.Data());
        if (module && walk.modules) walk.modules->push_back(target);
        const auto found = existing.find(lowerName.str());
        if (found == existing.end() || module) {
            walk.bytes += walk.Rounded(size);
        } else if (target.Find("kelvra.mdb") < 0) {
            // The kept database is never copied over.
            walk.bytes += walk.Growth(size, found->second);
        }
    }
}

// The files beside Setup.exe, as CSetupThread::CopyProgramFiles copies them.
void WalkProgramFiles(Walk& walk, const CString& source, const CString& destination) {
    CStringArray names;
    CSetupThread::ListFiles(source, "*.*", names);
    for (const CString& name : names) {
        if (name.CompareNoCase("Setup.exe") == 0) continue;
        const CString target = destination + name;
        if (walk.modules) walk.modules->push_back(target);
        ++walk.files;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        std::wstring wide;
        if (!ToWide(source + name, wide) ||
            !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
            continue;
        // Program files are the product's modules: counted whole.
        walk.bytes +=
            walk.Rounded((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    }
}

void WalkRun(Walk& walk, const CString& source, const CString& destination) {
    for (const char* name : CONTENT_FOLDERS) WalkTree(walk, source + name, destination + name);
    WalkProgramFiles(walk, source, destination);
    walk.bytes += walk.Rounded(kLogAllowance + kRecordBytesPerFile * walk.files);
}

// The destination's volume, the cluster size and the free space, read on
// the nearest folder of its path that exists.
bool ReadVolume(const CString& destination, InstallSpace& space, ULONGLONG& cluster) {
    CString folder = NormalizePath(destination);
    std::wstring wide;
    for (; !folder.IsEmpty(); folder = ParentFolder(folder)) {
        if (!ToWide(folder, wide)) return false;
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) break;
    }
    if (folder.IsEmpty()) return false;
    if (wide.back() != L'\\') wide += L'\\';
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(wide.c_str(), &available, &total, &free)) return false;
    wchar_t volume[MAX_PATH] = {};
    if (!GetVolumePathNameW(wide.c_str(), volume, MAX_PATH)) return false;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    cluster =
        GetDiskFreeSpaceW(volume, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)
            ? static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector
            : 0;
    space.volume = Narrow(volume);
    space.available = available.QuadPart;
    space.known = true;
    return true;
}

InstallSpace Weigh(const CString& source, const CString& destination, CStringArray* modules) {
    InstallSpace space;
    Walk walk;
    walk.modules = modules;
    ReadVolume(destination, space, walk.cluster);
    WalkRun(walk, source, destination);
    space.needed = walk.bytes;
    if (space.Enough()) return space;
    // Too little for every file whole: what is there already is weighed too.
    Walk again;
    again.cluster = walk.cluster;
    again.weighExisting = true;
    WalkRun(again, source, destination);
    space.needed = again.bytes;
    return space;
}

} // namespace

InstallSpace WeighInstallSpace(const CString& source, const CString& destination) {
    return Weigh(source, destination, nullptr);
}

InstallCheck CheckInstallation(const CString& source, const CString& destination) {
    InstallCheck check;
    CStringArray modules;
    check.space = Weigh(source, destination, &modules);
    check.inUse = FindFilesInUse(modules);
    for (const FileInUse& file : check.inUse)
        check.replaceable.push_back(MayReplaceAtRestart(file.path));
    return check;
}

bool InstallCheck::AllReplaceable() const {
    return std::find(replaceable.begin(), replaceable.end(), false) == replaceable.end();
}

CString Megabytes(ULONGLONG bytes, bool roundUp) {
    CString text;
    const ULONGLONG megabyte = 1024 * 1024;
    const ULONGLONG tenths = (bytes * 10 + (roundUp ? megabyte - 1 : 0)) / megabyte;
    text.Format("%llu.%llu", tenths / 10, tenths % 10);
    return text;
}
