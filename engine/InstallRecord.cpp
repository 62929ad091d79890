// The installation record's text form and its file. One item a line, CR LF
// ended, code page 936:
//
//   Kelvra V9 installation record<TAB>1
//   Folder<TAB><path>
//   File<TAB><size><TAB><last write><TAB><path>
//   Link<TAB><path>
//   Trusted<TAB><release><TAB><view><TAB><product id><TAB><profile><TAB><entry>
//   Profile<TAB><release><TAB><view><TAB><product id><TAB><profile>
//   End<TAB><item lines><TAB><FNV-1a 64 of every byte before this line, hex>
//
// A field's bytes below 0x20 and "%" are written as "%" and two hex digits;
// no GBK trail byte is one of them (trail bytes start at 0x40), so the text
// stays readable in Notepad and a path never breaks a line.
#include "engine/InstallRecord.h"

#include "engine/JoinPath.h"
#include "framework/FileSecurity.h"
#include "framework/Handles.h"
#include "framework/SharingRetry.h"
#include "framework/WideText.h"
#include "host_cad/AcadRelease.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char kHeader[] = "Kelvra V9 installation record\t1";
const char kRecordFileName[] = "Uninstall.dat";
// A record of far more than any installation writes is not read into memory.
const LONGLONG kLargestRecord = 256LL * 1024 * 1024;

std::string FoldedKey(const CString& path) {
    CString key = path;
    key.MakeLower();
    return key.str();
}

uint64_t Fnv1a64(const char* bytes, size_t length) {
    uint64_t hash = 14695981039346656037ULL;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 1099511628211ULL;
    }
    return hash;
}

void AppendField(std::string& out, const CString& field) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const char ch : field.str()) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

void AppendNumber(std::string& out, uint64_t number) {
    char digits[24];
    const int length =
        std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(number));
    out.append(digits, static_cast<size_t>(length));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool UnescapeField(const char* begin, const char* end, CString& field) {
    std::string text;
    text.reserve(static_cast<size_t>(end - begin));
    for (const char* p = begin; p < end; ++p) {
        if (*p != '%') {
            text += *p;
            continue;
        }
        if (end - p < 3 || HexValue(p[1]) < 0 || HexValue(p[2]) < 0) return false;
        text += static_cast<char>(HexValue(p[1]) * 16 + HexValue(p[2]));
        p += 2;
    }
    field = CString(std::move(text));
    return true;
}

// Decimal digits only, no sign, no overflow.
bool ParseNumber(const CString& text, uint64_t& number) {
    if (text.IsEmpty() || text.GetLength() > 20) return false;
    number = 0;
    for (const char c : text.str()) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (UINT64_MAX - digit) / 10) return false;
        number = number * 10 + digit;
    }
    return true;
}

// The tab-separated fields of one line, unescaped.
bool SplitFields(const char* begin, const char* end, std::vector<CString>& fields) {
    fields.clear();
    const char* start = begin;
    for (const char* p = begin;; ++p) {
        if (p == end || *p == '\t') {
            CString field;
            if (!UnescapeField(start, p, field)) return false;
            fields.push_back(std::move(field));
            if (p == end) return true;
            start = p + 1;
        }
    }
}

bool SameAcadEntry(const RecordedAcadEntry& a, const RecordedAcadEntry& b) {
    return a.releaseKey.CompareNoCase(b.releaseKey) == 0 && a.view.CompareNoCase(b.view) == 0 &&
           a.productId.CompareNoCase(b.productId) == 0 && a.profile.CompareNoCase(b.profile) == 0 &&
           a.value.CompareNoCase(b.value) == 0;
}

void AddAcadEntry(std::vector<RecordedAcadEntry>& entries, const RecordedAcadEntry& entry) {
    for (const RecordedAcadEntry& known : entries)
        if (SameAcadEntry(known, entry)) return;
    entries.push_back(entry);
}

void AppendAcadEntry(std::string& out, const char* kind, const RecordedAcadEntry& entry,
                     bool withValue) {
    out += kind;
    for (const CString* field :
         {&entry.releaseKey, &entry.view, &entry.productId, &entry.profile}) {
        out += '\t';
        AppendField(out, *field);
    }
    if (withValue) {
        out += '\t';
        AppendField(out, entry.value);
    }
    out += "\r\n";
}

// Where key sits in items (items.size() when absent), through index, which
// maps the hash of each folded path to its position: the paths are not
// copied into it (20,000 of them would hold 3 MB more). A position whose
// path is not key means the list was changed behind the index's back (or,
// after a rebuild, another path with the same hash): the index is rebuilt
// once, then such a position is passed over.
template <typename Item, typename PathOf>
size_t FindIndexed(std::unordered_multimap<size_t, size_t>& index, const std::vector<Item>& items,
                   const std::string& key, PathOf pathOf) {
    const size_t hash = std::hash<std::string>{}(key);
    auto lookUp = [&](bool trusted, size_t& at) {
        const auto range = index.equal_range(hash);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second < items.size() && FoldedKey(pathOf(items[it->second])) == key) {
                at = it->second;
                return true;
            }
            if (!trusted) return false;
        }
        at = items.size();
        return true;
    };
    size_t at = items.size();
    if (index.size() == items.size() && lookUp(false, at)) return at;
    index.clear();
    index.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        index.emplace(std::hash<std::string>{}(FoldedKey(pathOf(items[i]))), i);
    lookUp(true, at);
    return at;
}

// Adds a position to the index under its folded path.
void Index(std::unordered_multimap<size_t, size_t>& index, const std::string& key, size_t at) {
    index.emplace(std::hash<std::string>{}(key), at);
}

} // namespace

CString RecordedProfileKey(const RecordedAcadEntry& entry) {
    return KeyInView("Software", entry.view,
                     CString("Autodesk\\AutoCAD\\") + entry.releaseKey + "\\" + entry.productId +
                         "\\Profiles\\" + entry.profile);
}

bool CInstallRecord::IsEmpty() const {
    return createdFolders.empty() && files.empty() && links.empty() && trustedPaths.empty() &&
           profiles.empty();
}

void CInstallRecord::AddFile(const RecordedFile& file) {
    const std::string key = FoldedKey(file.path);
    const size_t at = FindIndexed(m_fileIndex, files, key,
                                  [](const RecordedFile& f) -> const CString& { return f.path; });
    if (at < files.size()) {
        files[at] = file;
        return;
    }
    files.push_back(file);
    Index(m_fileIndex, key, files.size() - 1);
}

void CInstallRecord::AddCreatedFolder(const CString& path) {
    const std::string key = FoldedKey(path);
    if (FindIndexed(m_folderIndex, createdFolders, key,
                    [](const CString& p) -> const CString& { return p; }) < createdFolders.size())
        return;
    createdFolders.push_back(path);
    Index(m_folderIndex, key, createdFolders.size() - 1);
}

void CInstallRecord::AddLink(const CString& path) {
    for (const CString& known : links)
        if (known.CompareNoCase(path) == 0) return;
    links.push_back(path);
}

void CInstallRecord::AddTrustedPath(const RecordedAcadEntry& entry) {
    AddAcadEntry(trustedPaths, entry);
}

void CInstallRecord::AddProfile(const RecordedAcadEntry& entry) {
    RecordedAcadEntry profile = entry;
    profile.value.Empty();
    AddAcadEntry(profiles, profile);
}

void CInstallRecord::MergeEarlier(const CInstallRecord& earlier) {
    for (const CString& folder : earlier.createdFolders) AddCreatedFolder(folder);
    // A file this installation wrote again keeps this record's size and time.
    for (const RecordedFile& file : earlier.files) {
        const std::string key = FoldedKey(file.path);
        if (FindIndexed(m_fileIndex, files, key, [](const RecordedFile& f) -> const CString& {
                return f.path;
            }) == files.size()) {
            files.push_back(file);
            Index(m_fileIndex, key, files.size() - 1);
        }
    }
    for (const CString& link : earlier.links) AddLink(link);
    for (const RecordedAcadEntry& entry : earlier.trustedPaths) AddTrustedPath(entry);
    for (const RecordedAcadEntry& entry : earlier.profiles) AddProfile(entry);
}

CString CInstallRecord::Serialize() const {
    // Reserved at its size (unless fields need escapes): a string that grows
    // by doubling would hold twice the 2 MB of tree (a) at its peak.
    size_t size = 128;
    for (const CString& folder : createdFolders)
        size += 9 + static_cast<size_t>(folder.GetLength());
    for (const RecordedFile& file : files) size += 49 + static_cast<size_t>(file.path.GetLength());
    for (const CString& link : links) size += 7 + static_cast<size_t>(link.GetLength());
    size += (trustedPaths.size() + profiles.size()) * 256;
    std::string out;
    out.reserve(size);
    out += kHeader;
    out += "\r\n";
    for (const CString& folder : createdFolders) {
        out += "Folder\t";
        AppendField(out, folder);
        out += "\r\n";
    }
    for (const RecordedFile& file : files) {
        out += "File\t";
        AppendNumber(out, file.size);
        out += '\t';
        AppendNumber(out, file.lastWrite);
        out += '\t';
        AppendField(out, file.path);
        out += "\r\n";
    }
    for (const CString& link : links) {
        out += "Link\t";
        AppendField(out, link);
        out += "\r\n";
    }
    for (const RecordedAcadEntry& entry : trustedPaths)
        AppendAcadEntry(out, "Trusted", entry, true);
    for (const RecordedAcadEntry& entry : profiles) AppendAcadEntry(out, "Profile", entry, false);

    const size_t count =
        createdFolders.size() + files.size() + links.size() + trustedPaths.size() + profiles.size();
    char end[64];
    const int length = std::snprintf(
        end, sizeof end, "End\t%llu\t%016llx\r\n", static_cast<unsigned long long>(count),
        static_cast<unsigned long long>(Fnv1a64(out.data(), out.size())));
    out.append(end, static_cast<size_t>(length));
    return CString(std::move(out));
}

bool CInstallRecord::Parse(const CString& bytes, CInstallRecord& record) {
    record = CInstallRecord();
    CInstallRecord parsed;
    const std::string& text = bytes.str();
    // The lines, each ended by CR LF, the last one included.
    std::vector<std::pair<size_t, size_t>> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) return false;
        lines.emplace_back(start, end);
        start = end + 2;
    }
    if (lines.size() < 2) return false;
    auto lineText = [&](size_t i) {
        return CString(text.data() + lines[i].first,
                       static_cast<int>(lines[i].second - lines[i].first));
    };
    if (lineText(0) != kHeader) return false;

    // The end line: the count of item lines and the checksum of all before it.
    std::vector<CString> fields;
    const auto& last = lines.back();
    if (!SplitFields(text.data() + last.first, text.data() + last.second, fields) ||
        fields.size() != 3 || fields[0] != "End")
        return false;
    uint64_t count = 0;
    if (!ParseNumber(fields[1], count) || count != lines.size() - 2) return false;
    char checksum[24];
    std::snprintf(checksum, sizeof checksum, "%016llx",
                  static_cast<unsigned long long>(Fnv1a64(text.data(), last.first)));
    if (fields[2] != checksum) return false;

    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const char* begin = text.data() + lines[i].first;
        const char* end = text.data() + lines[i].second;
        // A lone CR or LF is no part of any line this record writes.
        if (std::memchr(begin, '\r', static_cast<size_t>(end - begin)) ||
            std::memchr(begin, '\n', static_cast<size_t>(end - begin)))
            return false;
        if (!SplitFields(begin, end, fields)) return false;
        const CString& kind = fields[0];
        if (kind == "Folder" && fields.size() == 2 && !fields[1].IsEmpty()) {
            parsed.AddCreatedFolder(fields[1]);
        } else if (kind == "File" && fields.size() == 4 && !fields[3].IsEmpty()) {
            RecordedFile file;
            if (!ParseNumber(fields[1], file.size) || !ParseNumber(fields[2], file.lastWrite))
                return false;
            file.path = fields[3];
            parsed.AddFile(file);
        } else if (kind == "Link" && fields.size() == 2 && !fields[1].IsEmpty()) {
            parsed.AddLink(fields[1]);
        } else if ((kind == "Trusted" && fields.size() == 6) ||
                   (kind == "Profile" && fields.size() == 5)) {
            RecordedAcadEntry entry;
            entry.releaseKey = fields[1];
            entry.view = fields[2];
            entry.productId = fields[3];
            entry.profile = fields[4];
            if (entry.releaseKey.IsEmpty() || entry.profile.IsEmpty()) return false;
            if (kind == "Trusted") {
                entry.value = fields[5];
                if (entry.value.IsEmpty()) return false;
                parsed.AddTrustedPath(entry);
            } else {
                parsed.AddProfile(entry);
            }
        } else {
            return false;
        }
    }
    record = std::move(parsed);
    return true;
}

bool CInstallRecord::Save(const CString& path) const {
    std::wstring widePath;
    if (!ToWide(path, widePath)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    // Hidden like the log; "Uninstall.dat.new" first, then renamed over the
    // old record, so a crash leaves the previous one.
    return ReplaceFileContents(widePath, Serialize().str(), FILE_ATTRIBUTE_HIDDEN);
}

bool CInstallRecord::Load(const CString& path, CInstallRecord& record) {
    record = CInstallRecord();
    std::wstring widePath;
    if (!ToWide(path, widePath)) return false;
    CFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > kLargestRecord)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &read,
                      nullptr) ||
            read == 0)
            return false;
        done += read;
    }
    return Parse(CString(std::move(bytes)), record);
}

CString RecordPathBeside(const CString& destination) {
    return JoinPath(destination, kRecordFileName);
}

namespace {

CString MachineRecordFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        return CString();
    CString path;
    if (!ToNarrow(folder, static_cast<int>(wcslen(folder)), path)) return CString();
    path.AppendBackslashIfMissing();
    return path + "Morvane\\Kelvra V9\\";
}

} // namespace

CString MachineRecordPath() {
    const CString folder = MachineRecordFolder();
    return folder.IsEmpty() ? folder : folder + kRecordFileName;
}

bool EnsureMachineRecordFolder() {
    const CString folder = MachineRecordFolder();
    std::wstring wideFolder;
    if (folder.IsEmpty() || !ToWide(folder, wideFolder)) return false;
    // Common Files already lets only administrators write; the folder gets a
    // protected DACL of its own all the same, so nothing inherited from a
    // changed parent can open it: SYSTEM and Administrators full control,
    // Users read.
    const std::wstring vendor = wideFolder.substr(0, wideFolder.size() - wcslen(L"Kelvra V9\\"));
    CreateDirectoryW(vendor.c_str(), nullptr);
    if (GetFileAttributesW(wideFolder.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    CSecurityAttributes security(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    if (!security.IsValid()) return false;
    return CreateDirectoryW(wideFolder.c_str(), security.Attributes()) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
}
