#include "app/DefaultFolder.h"

#include "framework/PathCompare.h"
#include "framework/WideText.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace {

const char kProductFolder[] = "Morvane\\Kelvra\\";
// Where every standard Windows keeps its 64-bit programs.
const char kStandardProgramFiles[] = "C:\\Program Files\\";

} // namespace

CString DefaultInstallDirIn(const std::wstring& programFiles) {
    CString folder;
    if (!ToNarrow(programFiles, folder) || NormalizePath(folder).IsEmpty())
        folder = kStandardProgramFiles;
    folder.AppendBackslashIfMissing();
    return folder + kProductFolder;
}

CString DefaultInstallDir() {
    // Not verified against the disk: a path is all the pages and /S need.
    PWSTR path = nullptr;
    std::wstring programFiles;
    if (SUCCEEDED(
            SHGetKnownFolderPath(FOLDERID_ProgramFiles, KF_FLAG_DONT_VERIFY, nullptr, &path)) &&
        path)
        programFiles = path;
    CoTaskMemFree(path);
    return DefaultInstallDirIn(programFiles);
}
