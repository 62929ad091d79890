#include "tests/e2e/WalkRecord.h"

#include "engine/InstallRecord.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "tests/support/TempDir.h"
#include "tools/driver/UiDriver.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }
wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; }

// Every occurrence of what (ASCII letters in any case) replaced by marker.
template <typename Text>
Text ReplaceNoCase(const Text& text, const Text& what, const Text& marker) {
    if (what.empty()) return text;
    Text out;
    size_t i = 0;
    while (i < text.size()) {
        bool match = i + what.size() <= text.size();
        for (size_t k = 0; match && k < what.size(); ++k)
            match = AsciiLower(text[i + k]) == AsciiLower(what[k]);
        if (match) {
            out += marker;
            i += what.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

} // namespace

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                            needed, nullptr, nullptr);
    return bytes;
}

namespace {

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    if (!file) return "<unreadable>";
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

unsigned long long Fnv1a(const std::string& bytes) {
    unsigned long long hash = 1469598103934665603ull;
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
    if (text.size() < end.size()) return false;
    for (size_t k = 0; k < end.size(); ++k)
        if (AsciiLower(text[text.size() - end.size() + k]) != AsciiLower(end[k])) return false;
    return true;
}

} // namespace

CWalkRecord::CWalkRecord(const std::wstring& tempFolder) : m_temp(tempFolder) {
    while (!m_temp.empty() && m_temp.back() == L'\\') m_temp.pop_back();
}

// One line per entry: line breaks inside a text (the agreement) are written out.
std::string CWalkRecord::Masked(const std::wstring& text) const {
    std::wstring masked = ReplaceNoCase<std::wstring>(text, m_temp, L"<temp>");
    masked = ReplaceNoCase<std::wstring>(masked, L"\r", L"\\r");
    masked = ReplaceNoCase<std::wstring>(masked, L"\n", L"\\n");
    return Utf8(masked);
}

void CWalkRecord::AddPage(const char* name, HWND page) {
    std::vector<std::string> lines;
    lines.push_back(std::string("page ") + name +
                    " caption: " + Masked(CUiDriver::WideWindowText(page)));
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char line[64];
        std::snprintf(line, sizeof(line), "page %s %d: ", name, GetDlgCtrlID(child));
        lines.push_back(line + Masked(CUiDriver::WideWindowText(child)));
    }
    std::sort(lines.begin(), lines.end());
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
}

std::string CWalkRecord::FileLine(const std::wstring& relative, const std::wstring& path) const {
    if (EndsWithNoCase(path, L".lnk")) {
        CComPtr<IShellLinkW> link;
        CComPtr<IPersistFile> file;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.OutVoid())) ||
            FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())) ||
            FAILED(file->Load(path.c_str(), STGM_READ)))
            return "link " + Masked(relative) + " unreadable";
        wchar_t target[MAX_PATH] = {}, arguments[4096] = {}, folder[MAX_PATH] = {},
                icon[MAX_PATH] = {};
        int iconIndex = 0;
        // The target from the link's item ID list, which holds the names in
        // UTF-16: Wine's GetPath gives the link-info path it stored in the
        // system's code page ("??" for a Chinese folder under 1252).
        PIDLIST_ABSOLUTE items = nullptr;
        if (SUCCEEDED(link->GetIDList(&items)) && items) {
            std::unique_ptr<ITEMIDLIST, decltype(&CoTaskMemFree)> owned(items, &CoTaskMemFree);
            if (!SHGetPathFromIDListW(items, target)) target[0] = L'\0';
        }
        link->GetArguments(arguments, 4096);
        link->GetWorkingDirectory(folder, MAX_PATH);
        link->GetIconLocation(icon, MAX_PATH, &iconIndex);
        return "link " + Masked(relative) + " -> " + Masked(target) + " | " + Masked(arguments) +
               " | in " + Masked(folder) + " | icon " + Masked(icon) + "," +
               std::to_string(iconIndex);
    }
    // Contents that name the temp folder (the uninstall log) are compared
    // with it masked, in the code page 936 form they are written in.
    const std::string bytes =
        ReplaceNoCase<std::string>(ReadBytes(path), Narrow(m_temp).str(), std::string("<temp>"));
    char line[96];
    std::snprintf(line, sizeof(line), " %zu bytes %016llx", bytes.size(), Fnv1a(bytes));
    return "file " + Masked(relative) + line;
}

// The hidden installation record names the run's own folder and the write
// times of the files it copied: its entries are recorded in their order, the
// temp folder masked and each file's time compared with the file's own. Its
// count and checksum are checked by parsing it.
void CWalkRecord::AddInstallRecord(const std::string& label, const std::wstring& path,
                                   std::vector<std::string>& lines) const {
    CInstallRecord record;
    if (!CInstallRecord::Parse(CString(ReadBytes(path)), record)) {
        lines.push_back(label + "damaged");
        return;
    }
    size_t index = 0;
    auto add = [&](const std::string& entry) {
        char number[16];
        std::snprintf(number, sizeof(number), "%04zu ", index++);
        lines.push_back(label + number + entry);
    };
    auto text = [this](const CString& field) { return Masked(Wide(field)); };
    for (const CString& folder : record.createdFolders) add("folder " + text(folder));
    for (const RecordedFile& file : record.files) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        uint64_t onDisk = 0;
        if (GetFileAttributesExW(Wide(file.path).c_str(), GetFileExInfoStandard, &data))
            onDisk = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
        const std::string time =
            file.lastWrite == onDisk
                ? std::string("as on disk")
                : std::to_string(file.lastWrite) + " on disk " + std::to_string(onDisk);
        add("file " + std::to_string(file.size) + " " + time + " " + text(file.path));
    }
    for (const CString& link : record.links) add("link " + text(link));
    auto profile = [&](const RecordedAcadEntry& entry) {
        return text(entry.releaseKey) + " | " + text(entry.view) + " | " + text(entry.productId) +
               " | " + text(entry.profile);
    };
    for (const RecordedAcadEntry& entry : record.trustedPaths)
        add("trusted " + profile(entry) + " | " + text(entry.value));
    for (const RecordedAcadEntry& entry : record.profiles) add("profile " + profile(entry));
}

void CWalkRecord::AddTree(const std::string& label, const std::wstring& folder,
                          const std::wstring& relative, std::vector<std::string>& lines) {
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find.IsValid()) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        const std::wstring entry = relative + L"\\" + name;
        char attributes[32];
        std::snprintf(attributes, sizeof(attributes), " attributes %lx",
                      data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY |
                                               FILE_ATTRIBUTE_DIRECTORY));
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            lines.push_back("folder " + label + Masked(entry) + attributes);
            AddTree(label, path, entry, lines);
        } else if (EndsWithNoCase(path, L"\\Uninstall.dat")) {
            lines.push_back(label + "file " + Masked(entry) + attributes);
            AddInstallRecord(label + "record ", path, lines);
        } else {
            lines.push_back(label + FileLine(entry, path) + attributes);
        }
    } while (FindNextFileW(find.Get(), &data));
}

void CWalkRecord::AddFiles(const char* label, const std::wstring& folder) {
    std::wstring root = folder;
    while (!root.empty() && root.back() == L'\\') root.pop_back();
    std::vector<std::string> lines;
    AddTree(std::string(label) + " ", root, std::wstring(), lines);
    std::sort(lines.begin(), lines.end());
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
}

void CWalkRecord::AddKey(HKEY key, const std::string& path, std::vector<std::string>& lines) {
    lines.push_back("key " + path);
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::vector<BYTE> data(size + sizeof(wchar_t), 0);
        nameLength = 16384;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        std::string text;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()), size / 2);
            while (!wide.empty() && wide.back() == L'\0') wide.pop_back();
            text = Masked(wide);
        } else {
            char hex[4];
            for (DWORD i = 0; i < size; ++i) {
                std::snprintf(hex, sizeof(hex), "%02x", data[i]);
                text += hex;
            }
        }
        lines.push_back("value " + path + "\\:" + Masked(name) + " type " + std::to_string(type) +
                        " = " + text);
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        CRegKey child;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, child.Out()) == ERROR_SUCCESS)
            AddKey(child.Get(), path + "\\" + Masked(name), lines);
    }
}

void CWalkRecord::AddRegistry(HKEY root, const char* rootName, const std::wstring& key) {
    std::vector<std::string> lines;
    CRegKey opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.Out()) == ERROR_SUCCESS)
        AddKey(opened.Get(), std::string(rootName) + "\\" + Masked(key), lines);
    else
        lines.push_back(std::string("missing ") + rootName + "\\" + Masked(key));
    std::sort(lines.begin(), lines.end());
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
}

// Through the wide file functions (the record's path in code page 936).
bool CWalkRecord::Write(const std::string& path) const {
    std::string text;
    for (const std::string& line : m_lines) text += line + '\n';
    return WriteFileBytes(path.c_str(), text);
}

bool CWalkRecord::Read(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    if (!FileExists(path.c_str())) return false;
    const std::string text = ReadFileBytes(path.c_str());
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return true;
}
