// The tree copy: one content folder of the distribution into the destination,
// plus the file-system building blocks the other steps reuse.
#include "engine/SetupThread.h"

#include "engine/DataFolderRights.h"
#include "engine/DistributionCheck.h"
#include "engine/JoinPath.h"
#include "framework/App.h"
#include "framework/FileCalls.h"
#include "framework/FileDigest.h"
#include "framework/FileFind.h"
#include "framework/FilesInUse.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"
#include "framework/ZoneMark.h"

#include <cstdarg>

namespace {

// The database a user has filled since the last installation: never copied
// over once it exists (a substring test on the lower-cased destination path).
const char kDatabaseName[] = "kelvra.mdb";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The engine's boxes open with the system's text for the last error, then
// name the path the operation failed on.
int Ask(HWND owner, UINT buttons, const char* format, ...) __attribute__((format(printf, 3, 4)));
int Ask(HWND owner, UINT buttons, const char* format, ...) {
    CString text;
    va_list args;
    va_start(args, format);
    text.FormatV(format, args);
    va_end(args);
    return AfxMessageBox(owner, text, buttons | MB_ICONQUESTION);
}

CString LastErrorText() { return SystemErrorText(GetLastError()); }

int AskAboutMissingSource(HWND owner, const CString& folder) {
    return Ask(owner, MB_ABORTRETRYIGNORE,
               "%s\n找不到安装文件的路径 %s，\n点击“重试”按钮试图重新查找该安装文件路径；\n"
               "点击“忽略”按钮将跳过该路径下的操作并继续执行；\n点击“取消”按钮将终止程序运行。",
               LastErrorText().GetString(), folder.GetString());
}

int AskAboutFolderCreation(HWND owner, const CString& folder) {
    return Ask(owner, MB_RETRYCANCEL,
               "%s\n不能创建文件夹 %s ，\n点击“重试”按钮试图重新创建文件夹；\n"
               "点击“取消”按钮将终止程序运行。",
               LastErrorText().GetString(), folder.GetString());
}

int AskAboutFileCopy(HWND owner, const CString& file) {
    return Ask(owner, MB_ABORTRETRYIGNORE,
               "%s\n不能复制文件 %s ，\n点击“重试”按钮试图重新复制该文件；\n"
               "点击“忽略”按钮将跳过该文件并继续执行；\n点击“中止”按钮将终止程序运行。",
               LastErrorText().GetString(), file.GetString());
}

// The source read once more, for a copy made otherwise (waiting for the
// restart).
bool SourceIsListed(const CString& source, const FileDigest& listed) {
    CFileHandle file(CreateFileW(Wide(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FileDigest digest;
    return file && DigestFile(file.Get(), digest) && digest == listed;
}

bool PathExists(const CString& path) { return GetPathAttributes(path) != INVALID_FILE_ATTRIBUTES; }

// Nothing but the archive bit (or "normal"): nothing a copy would have to
// take off afterwards.
bool HasOnlyPlainAttributes(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL)) == 0;
}

// The byte length of the part of a UNC path ("\\server\share") that cannot be
// created: candidates inside it are skipped like drive roots. Zero otherwise.
int UncRootLength(const CString& path) {
    if (path.GetLength() < 2 || !IsSeparator(path.GetAt(0)) || !IsSeparator(path.GetAt(1)))
        return 0;
    int separators = 0;
    for (int i = 2; i < path.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path.GetAt(i));
        if (IsGbkLeadByte(c) && i + 1 < path.GetLength()) {
            ++i;
            continue;
        }
        if (IsSeparator(path.GetAt(i)) && ++separators == 2) return i;
    }
    return path.GetLength();
}

} // namespace

int CSetupThread::AskMissingSource(const CString& folder) {
    return AskAboutMissingSource(m_hWndPage, folder);
}

int CSetupThread::AskFolderCreation(const CString& folder) {
    return AskAboutFolderCreation(m_hWndPage, folder);
}

int CSetupThread::AskFileCopy(const CString& file) { return AskAboutFileCopy(m_hWndPage, file); }

int CSetupThread::CopyTree(CString source, CString destination) {
    source.AppendBackslashIfMissing();

    CFileFind finder;
    bool found = finder.FindFile(source + "*.*");
    while (!found) {
        // A cancel confirmed between two folders: the page may be gone, and
        // the run ends anyway.
        if (IsCancelled()) return 0;
        RunLogFailure(GetLastError(), "找不到安装文件的路径 %s", source.GetString());
        const int answer = AskMissingSource(source);
        if (answer == IDIGNORE) break;
        if (answer != IDRETRY) return 0;
        found = finder.FindFile(source + "*.*");
    }

    if (!EnsureDirectory(destination)) return 0;

    for (bool more = found; more; more = finder.FindNextFile()) {
        if (finder.IsDots()) continue;
        const CString name = finder.GetFileName();
        const CString sourceEntry = source + name;
        if (!finder.HasExactName()) {
            // A name code page 936 cannot hold: asked about like a file that
            // cannot be copied, never copied under its shown "?" form.
            if (!PassOverUnnamedEntry(sourceEntry)) return 0;
            continue;
        }
        CString destinationEntry = JoinPath(destination, name);
        if (finder.IsDirectory()) {
            if (!CopyTree(sourceEntry, destinationEntry)) return 0;
        } else {
            destinationEntry.MakeLower();
            if (!CopyFileEntry(sourceEntry, destinationEntry, finder.Data().dwFileAttributes,
                               &finder.Data()))
                return 0;
            m_nCopiedBytes += (static_cast<ULONGLONG>(finder.Data().nFileSizeHigh) << 32) |
                              finder.Data().nFileSizeLow;
        }
        NotifyProgress(sourceEntry, destinationEntry);
        if (IsCancelled()) return 0;
    }
    return 1;
}

bool CSetupThread::PassOverUnnamedEntry(const CString& entry) {
    for (;;) {
        if (IsCancelled()) return true;
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        RunLogFailure(ERROR_NO_UNICODE_TRANSLATION, "不能复制文件 %s", entry.GetString());
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        const int answer = AskFileCopy(entry);
        if (answer == IDIGNORE) return true;
        if (answer != IDRETRY) return false;
    }
}

int CSetupThread::CopyFileEntry(const CString& source, const CString& destination,
                                DWORD sourceAttributes, const WIN32_FIND_DATAW* sourceData) {
    auto record = [&] {
        if (m_bSourceMayCarryZoneMarks)
            TakeOffZoneMark(destination, sourceData ? &sourceData->ftLastWriteTime : nullptr);
        if (sourceData)
            RecordWrittenFile(destination, *sourceData);
        else
            RecordWrittenFile(destination);
    };
    if (destination.Find(kDatabaseName) >= 0 && PathExists(destination)) return 1;
    // Installing from the destination itself: the file is already in place.
    if (source.CompareNoCase(destination) == 0) return 1;
    // A bound distribution's file is checked as it is read: the listed one,
    // or the copy stops.
    const FileDigest* listed = nullptr;
    if (m_copyCheck) {
        const CString& folder = m_copyCheck->folder;
        if (source.GetLength() > folder.GetLength() &&
            source.Left(folder.GetLength()).CompareNoCase(folder) == 0)
            listed = m_copyCheck->Find(source.Mid(folder.GetLength()));
        if (!listed) return RefuseUncheckedFile(source, false);
    }
    auto copy = [&](bool failIfExists) -> DWORD {
        if (listed)
            return CopyCheckedFilePath(source, destination, failIfExists, listed->size,
                                       listed->sha256, sourceData);
        return CopyFilePath(source, destination, failIfExists) ? ERROR_SUCCESS : GetLastError();
    };
    // A first installation's file, from a source with no attribute to take
    // off, is done in one call: it arrives with the source's attributes,
    // which are at most the archive bit. Everything else takes the way below.
    if (HasOnlyPlainAttributes(sourceAttributes)) {
        const DWORD error = copy(true);
        if (error == ERROR_SUCCESS) {
            record();
            return 1;
        }
        if (error == kErrorDataChecksum) return RefuseUncheckedFile(source, true);
    }
    for (;;) {
        const DWORD error = CopyOverExisting(destination, [&] { return copy(false); });
        if (error == kErrorDataChecksum) return RefuseUncheckedFile(source, true);
        if (error == ERROR_SUCCESS) {
            // Takes off a read-only, hidden or system attribute that came with
            // the source or stayed from an earlier installation.
            SetPathAttributes(destination, FILE_ATTRIBUTE_NORMAL);
            record();
            return 1;
        }
        // A copy that ran out of room leaves no cut-short file behind: the
        // product would trip over it, and it holds the space the remaining
        // files need. (The copy had already emptied any earlier file.)
        if (IsDiskFullError(error)) DeleteFilePath(destination);
        // Held by a program, and to be replaced at the next restart (the
        // waiting copy is the listed file: its source is read once more).
        if (IsInUseError(error) && listed && !SourceIsListed(source, *listed))
            return RefuseUncheckedFile(source, true);
        if (IsInUseError(error) && ReplaceAtRestart(source, destination)) return 1;
        // The box names why the copy failed, not why the attributes could
        // not be cleared (there may be no file to clear them on).
        SetLastError(error);
        // After a confirmed cancel the page may be gone: no question, the
        // copy stops after this entry anyway.
        if (IsCancelled()) return 1;
        RunLogFailure(error, "不能复制文件 %s", destination.GetString());
        // Every later file would fail the same way: the run stops unless
        // the user makes room.
        if (IsDiskFullError(error)) {
            SetLastError(error);
            if (AskDiskFull(destination) == IDRETRY) continue;
            return 0;
        }
        const int answer = AskFileCopy(destination);
        if (answer == IDIGNORE) return 1;
        if (answer != IDRETRY) return 0;
    }
}

int CSetupThread::RefuseUncheckedFile(const CString& source, bool listed) {
    if (listed)
        RunLogLine("ERROR  文件已改动 %s (复制时核对, 与文件清单不符)", source.GetString());
    else
        RunLogLine("ERROR  多出的文件 %s (复制时发现, 文件清单中没有)", source.GetString());
    RunLogLine("ERROR  复制停止: 分发文件夹与文件清单不符");
    if (ShowsBoxes() && !IsCancelled()) {
        CString text;
        text.Format("安装文件已被改动, 安装没有完成:\n\n    %s\n        %s\n\n"
                    "请重新复制完整的安装文件, 然后再运行安装程序。",
                    listed ? "已改动的文件 (与文件清单不符):" : "多出的文件 (文件清单中没有):",
                    source.GetString());
        AfxMessageBox(m_hWndPage, text, MB_OK | MB_ICONSTOP);
    }
    return 0;
}

DWORD CSetupThread::CopyOverExisting(const CString& source, const CString& destination) {
    return CopyOverExisting(destination, [&]() -> DWORD {
        return CopyFilePath(source, destination, false) ? ERROR_SUCCESS : GetLastError();
    });
}

DWORD CSetupThread::CopyOverExisting(const CString& destination,
                                     const std::function<DWORD()>& copy) {
    // A writable file already there costs one call; a read-only or hidden
    // file left by an earlier installation refuses to be replaced until its
    // attributes are cleared.
    const DWORD error = copy();
    if (error == ERROR_SUCCESS || error == kErrorDataChecksum ||
        !SetPathAttributes(destination, FILE_ATTRIBUTE_NORMAL))
        return error;
    return copy();
}

int CSetupThread::EnsureDirectory(CString path) {
    LogMadeDir(path);
    // After a confirmed cancel there is no question (the page may be gone):
    // the folder is given up.
    auto retry = [this](const CString& folder) {
        if (IsCancelled()) return false;
        RunLogFailure(GetLastError(), "不能创建文件夹 %s", folder.GetString());
        return AskFolderCreation(folder) == IDRETRY;
    };

    if (path.GetLength() >= MAX_PATH) {
        // Nothing of a path this long is created; the user can only give up.
        for (;;) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            if (!retry(path)) return 0;
        }
    }

    const int length = path.GetLength();
    const int uncRoot = UncRootLength(path);
    for (int i = 0; i <= length; ++i) {
        if (i < length) {
            const unsigned char c = static_cast<unsigned char>(path.GetAt(i));
            // A double-byte character never ends a folder name, even when its
            // trail byte is 0x5C.
            if (IsGbkLeadByte(c) && i + 1 < length) {
                ++i;
                continue;
            }
            if (!IsSeparator(path.GetAt(i))) continue;
        } else if (length == 0 || path.EndsWithBackslash() || path.GetAt(length - 1) == '/') {
            break;
        }
        if (i == 0 || path.GetAt(i - 1) == ':' || i <= uncRoot) continue;
        const CString prefix = path.Left(i);
        if (PathExists(prefix)) continue;
        bool created = true;
        while (!CreateFolderPath(prefix, m_destinationSecurity.ForNewFolder(prefix))) {
            // Made by someone else in the meantime: just as good (but not ours).
            if (GetLastError() == ERROR_ALREADY_EXISTS && PathExists(prefix)) {
                created = false;
                break;
            }
            if (!retry(prefix)) return 0;
        }
        if (!created) continue;
        // Only what did not exist before is the installation's to remove.
        m_record.AddCreatedFolder(prefix);
        // The product's own data folders, made where standard users cannot write.
        if (GrantDataFolderRights(m_strInstallDir, prefix) == DataFolderGrant::Failed)
            m_failures.dataFolders.push_back(prefix);
    }
    return 1;
}

void CSetupThread::ListFiles(CString folder, CString pattern, CStringArray& names,
                             CStringArray* unnamed) {
    names.clear();
    // An empty folder would search the current directory instead.
    if (folder.IsEmpty()) return;
    folder.AppendBackslashIfMissing();
    CFileFind finder;
    for (bool more = finder.FindFile(folder + pattern); more; more = finder.FindNextFile()) {
        if (finder.IsDots() || finder.IsDirectory()) continue;
        if (finder.HasExactName()) {
            names.push_back(finder.GetFileName());
            continue;
        }
        // Listed under its shown form it would name a file that is not there.
        RunLogFailure(ERROR_NO_UNICODE_TRANSLATION, "文件名不能用简体中文代码页表示: %s%s",
                      folder.GetString(), finder.GetFileName().GetString());
        if (unnamed) unnamed->push_back(folder + finder.GetFileName());
    }
}
