#include "engine/DistributionCheck.h"

#include "engine/SetupThread.h"
#include "framework/App.h"
#include "framework/FileDigest.h"
#include "framework/FileFind.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/Thread.h"
#include "framework/WideText.h"
#include "res/resource.h"

#include <atomic>
#include <functional>
#include <unordered_map>

namespace {

const char kHeader[] = "Kelvra V9 distribution manifest\t1";
// A list longer than this is no list of this product.
constexpr DWORD kLargestManifest = 64 * 1024 * 1024;
// Names per kind in the box and the log's summary; the log names every one.
constexpr size_t kNamedFiles = 5;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseDigest(const std::string& text, CSha256::Digest& digest) {
    if (text.size() != 64) return false;
    for (size_t i = 0; i < 32; ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        digest[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

// A relative path that stays inside the folder: no empty, "." or ".."
// component, no drive, no stream, and a code page 936 text.
bool IsInsidePath(const CString& path) {
    std::wstring wide;
    if (path.IsEmpty() || !ToWide(path, wide)) return false;
    if (wide.find_first_of(L":/") != std::wstring::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = wide.find(L'\\', start);
        const std::wstring part = wide.substr(start, end == std::wstring::npos ? end : end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

CString Key(CString path) { return path.MakeLower(); }

// The first component of a relative path, in code page 936 (a backslash
// may be the trail byte of a double-byte character).
CString FirstComponent(const CString& path) {
    for (int i = 0; i < path.GetLength(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(path.GetAt(i))) && i + 1 < path.GetLength())
            ++i;
        else if (path.GetAt(i) == '\\')
            return path.Left(i);
    }
    return CString();
}

// What carries code, or is run, loaded or registered by the system,
// AutoCAD or the product: such a content file's digest is read before
// anything changes, not only as it is copied.
const struct {
    const char* extension;
    const char* what;
} kCodeExtensions[] = {
    {.extension = "exe", .what = "program"},
    {.extension = "dll", .what = "library"},
    {.extension = "ocx", .what = "control, registered"},
    {.extension = "sys", .what = "driver"},
    {.extension = "drv", .what = "driver"},
    {.extension = "cpl", .what = "control panel item"},
    {.extension = "scr", .what = "screen saver, or an AutoCAD script"},
    {.extension = "com", .what = "program"},
    {.extension = "pif", .what = "runs a program"},
    {.extension = "lnk", .what = "runs a program"},
    {.extension = "url", .what = "opens a program or a page"},
    {.extension = "bat", .what = "command script"},
    {.extension = "cmd", .what = "command script"},
    {.extension = "vbs", .what = "script"},
    {.extension = "vbe", .what = "script"},
    {.extension = "js", .what = "script"},
    {.extension = "jse", .what = "script"},
    {.extension = "wsf", .what = "script"},
    {.extension = "wsh", .what = "script settings"},
    {.extension = "ps1", .what = "script"},
    {.extension = "hta", .what = "runs as a program"},
    {.extension = "chm", .what = "help that runs scripts"},
    {.extension = "msi", .what = "installer package"},
    {.extension = "msp", .what = "installer patch"},
    {.extension = "mst", .what = "installer transform"},
    {.extension = "reg", .what = "registry entries"},
    {.extension = "inf", .what = "set-up information"},
    {.extension = "tlb", .what = "type library, registered"},
    {.extension = "manifest", .what = "loads side-by-side libraries"},
    {.extension = "config", .what = "loads .NET assemblies"},
    {.extension = "arx", .what = "AutoCAD application"},
    {.extension = "dbx", .what = "AutoCAD object enabler"},
    {.extension = "crx", .what = "AutoCAD core application"},
    {.extension = "dvb", .what = "AutoCAD VBA project"},
    {.extension = "lsp", .what = "AutoLISP"},
    {.extension = "fas", .what = "compiled AutoLISP"},
    {.extension = "vlx", .what = "compiled AutoLISP"},
    {.extension = "mnl", .what = "AutoLISP loaded with a menu"},
    {.extension = "dcl", .what = "dialogs whose actions are AutoLISP"},
    {.extension = "cui", .what = "AutoCAD menus, their macros"},
    {.extension = "cuix", .what = "AutoCAD menus, their macros"},
    {.extension = "mnu", .what = "AutoCAD menus, their macros"},
    {.extension = "mns", .what = "AutoCAD menus, their macros"},
    {.extension = "mnc", .what = "compiled AutoCAD menus"},
    {.extension = "mnr", .what = "AutoCAD menu resources"},
    {.extension = "pgp", .what = "AutoCAD command aliases"},
    {.extension = "bundle", .what = "AutoCAD autoloader package"},
};

bool IsContentFolder(const CString& name) {
    for (const char* folder : CONTENT_FOLDERS)
        if (name.CompareNoCase(folder) == 0) return true;
    return false;
}

bool ReadWhole(const CString& path, std::string& bytes, DWORD& error) {
    CFileHandle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size)) {
        error = GetLastError();
        return false;
    }
    if (size.QuadPart > kLargestManifest) {
        error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        error = read != bytes.size() ? ERROR_HANDLE_EOF : GetLastError();
        return false;
    }
    return true;
}

// A body run on a thread of its own (inline when no thread can be made).
struct CThreadCall {
    std::function<void()> body;
    CHandle thread;
    explicit CThreadCall(std::function<void()> run) : body(std::move(run)) {
        thread.Reset(CreateThread(nullptr, 0, &Entry, this, 0, nullptr));
        if (!thread) body();
    }
    void Wait(bool dispatching) {
        if (!thread) return;
        if (dispatching)
            WaitWhileDispatching(thread.Get());
        else
            WaitForSingleObject(thread.Get(), INFINITE);
    }
    static DWORD WINAPI Entry(void* self) {
        static_cast<CThreadCall*>(self)->body();
        return 0;
    }
};

} // namespace

namespace {

// The extension of a content file names code.
bool IsCodeFile(const CString& path) {
    // '.' is never the trail byte of a double-byte character; an extension
    // with a backslash or a double-byte character matches no entry.
    const int dot = path.ReverseFind('.');
    if (dot < 0) return false;
    const CString extension = path.Mid(dot + 1);
    for (const auto& code : kCodeExtensions)
        if (extension.CompareNoCase(code.extension) == 0) return true;
    return false;
}

} // namespace

bool IsDigestedBeforeChanges(const CString& path) {
    const CString first = FirstComponent(path);
    return first.IsEmpty() || !IsContentFolder(first) || IsCodeFile(path);
}

const FileDigest* CopyCheck::Find(const CString& path) const {
    const auto found = files.find(Key(path).str());
    return found == files.end() ? nullptr : &found->second;
}

namespace {

class CChecker {
public:
    CChecker(const CString& folder, const std::vector<ManifestEntry>& entries,
             DistributionCheck& check)
        : m_folder(folder), m_entries(entries), m_check(check), m_seen(entries.size(), false),
          m_duringCopy(std::make_shared<CopyCheck>()) {
        m_duringCopy->folder = folder;
        for (size_t i = 0; i < entries.size(); ++i) m_index[Key(entries[i].path).str()] = i;
    }

    void Run() {
        // The program files: what the installation copies from the top.
        CFileFind finder;
        for (bool more = finder.FindFile(m_folder + "*.*"); more; more = finder.FindNextFile()) {
            if (finder.IsDots() || finder.IsDirectory()) continue;
            const CString name = finder.GetFileName();
            if (finder.HasExactName() &&
                (name.CompareNoCase("Setup.exe") == 0 || name.CompareNoCase(kManifestName) == 0))
                continue;
            Listed(finder, name, false);
        }
        for (const char* folder : CONTENT_FOLDERS) Walk(CString(folder) + "\\");
        // Listed files the walk did not meet: missing where it looked, and
        // elsewhere (the backdrop's pictures) looked for one by one.
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_seen[i]) continue;
            const CString first = FirstComponent(m_entries[i].path);
            if (first.IsEmpty() || IsContentFolder(first))
                m_check.missing.push_back(m_entries[i].path);
            else
                m_digests.push_back(i);
        }
        DigestAll();
        m_check.duringCopy = std::move(m_duringCopy);
    }

private:
    void Walk(const CString& relativeFolder) {
        CFileFind finder;
        for (bool more = finder.FindFile(m_folder + relativeFolder + "*.*"); more;
             more = finder.FindNextFile()) {
            if (finder.IsDots()) continue;
            if (finder.IsDirectory()) {
                // A folder named as no file can be is all extra.
                if (finder.HasExactName())
                    Walk(relativeFolder + finder.GetFileName() + "\\");
                else
                    m_check.extra.push_back(relativeFolder + finder.GetFileName());
                continue;
            }
            Listed(finder, relativeFolder + finder.GetFileName(), true);
        }
    }

    // A file of the folder: extra, of another size (the listing tells
    // without an open), or one whose digest is to be read.
    void Listed(const CFileFind& finder, const CString& path, bool content) {
        const auto found = finder.HasExactName() ? m_index.find(Key(path).str()) : m_index.end();
        if (found == m_index.end()) {
            m_check.extra.push_back(path);
            return;
        }
        m_seen[found->second] = true;
        const WIN32_FIND_DATAW& data = finder.Data();
        const ManifestEntry& entry = m_entries[found->second];
        if (((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) !=
            entry.size) {
            m_check.changed.push_back(path);
            return;
        }
        if (content)
            m_duringCopy->files.emplace(found->first,
                                        FileDigest{.size = entry.size, .sha256 = entry.sha256});
        if (!content || IsCodeFile(path))
            m_digests.push_back(found->second);
        else
            ++m_check.leftToCopy;
    }

    enum class Verdict : char { Matches, Missing, Changed };

    // The digests on two threads: under Wine each open waits on the server,
    // and the other thread reads and hashes meanwhile.
    void DigestAll() {
        std::vector<Verdict> verdicts(m_digests.size(), Verdict::Changed);
        std::atomic<size_t> next{0};
        auto work = [&] {
            for (size_t i; (i = next++) < m_digests.size();)
                verdicts[i] = Verify(m_entries[m_digests[i]]);
        };
        CThreadCall helper(work);
        work();
        helper.Wait(false);
        for (size_t i = 0; i < m_digests.size(); ++i) {
            const CString& path = m_entries[m_digests[i]].path;
            if (verdicts[i] == Verdict::Matches)
                ++m_check.checked;
            else
                (verdicts[i] == Verdict::Missing ? m_check.missing : m_check.changed)
                    .push_back(path);
        }
    }

    Verdict Verify(const ManifestEntry& entry) const {
        CFileHandle file(CreateFileW(Wide(m_folder + entry.path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? Verdict::Missing
                       : Verdict::Changed;
        }
        FileDigest digest;
        return DigestFile(file.Get(), digest) && digest.size == entry.size &&
                       digest.sha256 == entry.sha256
                   ? Verdict::Matches
                   : Verdict::Changed;
    }

    const CString& m_folder;
    const std::vector<ManifestEntry>& m_entries;
    DistributionCheck& m_check;
    std::vector<bool> m_seen;
    std::vector<size_t> m_digests; // entries whose digests are read
    std::unordered_map<std::string, size_t> m_index;
    std::shared_ptr<CopyCheck> m_duringCopy;
};

void AppendNames(CString& text, const CStringArray& names, const char* what, size_t shown) {
    if (names.empty()) return;
    text.AppendFormat("\n    %s (%d 个):", what, static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size() && i < shown; ++i)
        text.AppendFormat("\n        %s", names[i].GetString());
    if (names.size() > shown)
        text.AppendFormat("\n        以及其他 %d 个", static_cast<int>(names.size() - shown));
}

} // namespace

bool ParseManifest(const std::string& text, std::vector<ManifestEntry>& entries) {
    entries.clear();
    std::unordered_map<std::string, size_t> paths;
    size_t start = 0;
    bool header = true;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) return false; // every line ends in CR LF
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (header) {
            if (line != kHeader) return false;
            header = false;
            continue;
        }
        // File, size, digest, path: the path is the rest of the line.
        size_t fields[3];
        size_t at = 0;
        for (size_t& field : fields) {
            field = line.find('\t', at);
            if (field == std::string::npos) return false;
            at = field + 1;
        }
        if (line.compare(0, fields[0], "File") != 0) return false;
        const std::string size = line.substr(fields[0] + 1, fields[1] - fields[0] - 1);
        if (size.empty() || size.size() > 19 ||
            size.find_first_not_of("0123456789") != std::string::npos)
            return false;
        ManifestEntry entry;
        entry.size = std::stoull(size);
        if (!ParseDigest(line.substr(fields[1] + 1, fields[2] - fields[1] - 1), entry.sha256))
            return false;
        entry.path = line.substr(fields[2] + 1);
        if (!IsInsidePath(entry.path) || !paths.emplace(Key(entry.path).str(), 0).second)
            return false;
        entries.push_back(std::move(entry));
    }
    return !header;
}

bool ReadBoundManifestDigest(CSha256::Digest& digest) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_DISTRIBUTION_BINDING),
                                MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    // 32 bytes of marker, then the digest.
    if (!bytes || SizeofResource(nullptr, found) != 64) return false;
    bool bound = false;
    for (size_t i = 0; i < digest.size(); ++i) {
        digest[i] = bytes[32 + i];
        bound |= digest[i] != 0;
    }
    return bound;
}

DistributionCheck CheckDistribution(const CString& folder, const CSha256::Digest& bound) {
    DistributionCheck check;
    std::string text;
    DWORD error = ERROR_SUCCESS;
    std::vector<ManifestEntry> entries;
    if (!ReadWhole(folder + kManifestName, text, error))
        check.manifestProblem.Format("不能读取文件清单 %s%s (错误 %lu)", folder.GetString(),
                                     kManifestName, error);
    else if (CSha256::Of(text.data(), text.size()) != bound)
        check.manifestProblem.Format("文件清单 %s%s 不是这个安装程序的 (已被改动或替换)",
                                     folder.GetString(), kManifestName);
    else if (!ParseManifest(text, entries))
        check.manifestProblem.Format("文件清单 %s%s 的格式不对", folder.GetString(), kManifestName);
    if (!check.manifestProblem.IsEmpty()) return check;
    CChecker(folder, entries, check).Run();
    check.passed = check.missing.empty() && check.changed.empty() && check.extra.empty();
    if (!check.passed) check.duringCopy.reset();
    return check;
}

CString DistributionProblemText(const DistributionCheck& check) {
    if (check.passed) return CString();
    CString text = "安装文件不完整或已被改动, 安装没有开始:\n";
    if (!check.manifestProblem.IsEmpty())
        text.AppendFormat("\n    %s", check.manifestProblem.GetString());
    AppendNames(text, check.missing, "缺少的文件", kNamedFiles);
    AppendNames(text, check.changed, "已改动的文件", kNamedFiles);
    AppendNames(text, check.extra, "多出的文件", kNamedFiles);
    text += "\n\n请重新复制完整的安装文件, 然后再运行安装程序。";
    return text;
}

namespace {

void LogPassed(const DistributionCheck& check) {
    RunLogLine("分发文件夹与文件清单相符 (%d 个文件; 另有 %d 个数据文件在复制时核对)",
               check.checked, check.leftToCopy);
}

} // namespace

bool ConfirmDistribution(HWND page, std::shared_ptr<const CopyCheck>& duringCopy) {
    duringCopy.reset();
    CSha256::Digest bound;
    if (!ReadBoundManifestDigest(bound)) return true;
    CString folder;
    if (!AfxGetModuleFolder(folder)) return true; // the host has refused such a folder already
    folder.AppendBackslashIfMissing();
    // On a thread of its own: the page's thread answers the backdrop and
    // the system meanwhile (a share's files take a while), its page disabled.
    EnableWindow(page, FALSE);
    DistributionCheck check;
    CThreadCall run([&] { check = CheckDistribution(folder, bound); });
    run.Wait(true);
    EnableWindow(page, TRUE);
    if (check.passed) {
        LogPassed(check);
        duringCopy = check.duringCopy;
        return true;
    }
    const CString text = DistributionProblemText(check);
    RunLogLine("ERROR  %s", text.GetString());
    AfxMessageBox(page, text, MB_OK | MB_ICONSTOP);
    return false;
}

bool CheckDistributionBeforeChanges(const CString& folder,
                                    std::shared_ptr<const CopyCheck>& duringCopy) {
    duringCopy.reset();
    CSha256::Digest bound;
    if (!ReadBoundManifestDigest(bound)) {
        RunLogLine("安装程序没有绑定文件清单: 不检查分发文件夹");
        return true;
    }
    const DistributionCheck check = CheckDistribution(folder, bound);
    if (check.passed) {
        LogPassed(check);
        duringCopy = check.duringCopy;
        return true;
    }
    if (!check.manifestProblem.IsEmpty())
        RunLogLine("ERROR  %s", check.manifestProblem.GetString());
    for (const CString& path : check.missing)
        RunLogLine("ERROR  缺少文件 %s%s", folder.GetString(), path.GetString());
    for (const CString& path : check.changed)
        RunLogLine("ERROR  文件已改动 %s%s", folder.GetString(), path.GetString());
    for (const CString& path : check.extra)
        RunLogLine("ERROR  多出的文件 %s%s", folder.GetString(), path.GetString());
    RunLogLine("ERROR  安装没有开始: 分发文件夹与文件清单不符");
    return false;
}
