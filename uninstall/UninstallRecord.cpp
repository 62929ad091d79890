#include "uninstall/UninstallRecord.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

#include <cstring>

namespace {

struct LinePrefix {
    const char* text;
    LogLineKind kind;
};

const LinePrefix kLinePrefixes[] = {
    {"File Copy: ", LogLineKind::FileCopy},
    {"Made Dir: ", LogLineKind::MadeDir},
    {"Reg Ctrl: ", LogLineKind::RegCtrl},
    {"RegDB Key: ", LogLineKind::RegKey},
};

// The roots of "RegDB Key: " lines by digit; 4 stands for any other root.
const HKEY kRootsByDigit[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                              nullptr};

bool IsGbkTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Length of the well-formed character at text[i] (1 or 2), or 0 for a
// control byte, a stray byte or a lead byte without its trail.
size_t CharLength(const char* text, size_t length, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return 0;
    if (c < 0x80) return 1;
    if (!IsGbkLeadByte(c)) return 0;
    if (i + 1 < length && IsGbkTrailByte(static_cast<unsigned char>(text[i + 1]))) return 2;
    return 0;
}

bool IsCleanText(const char* text, size_t length) {
    for (size_t i = 0; i < length;) {
        const size_t n = CharLength(text, length, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

LogLine ClassifyLine(const char* text, size_t length) {
    LogLine line;
    if (length > static_cast<size_t>(kLogLineLimit) || !IsCleanText(text, length)) return line;
    for (const LinePrefix& prefix : kLinePrefixes) {
        const size_t prefixLength = std::strlen(prefix.text);
        if (length <= prefixLength || std::memcmp(text, prefix.text, prefixLength) != 0) continue;
        const char* rest = text + prefixLength;
        size_t restLength = length - prefixLength;
        if (prefix.kind == LogLineKind::RegKey) {
            // A digit 0-4, a comma and a key.
            if (restLength < 3 || rest[0] < '0' || rest[0] > '4' || rest[1] != ',') return line;
            line.root = kRootsByDigit[rest[0] - '0'];
            rest += 2;
            restLength -= 2;
        }
        line.kind = prefix.kind;
        line.path = CString(rest, static_cast<int>(restLength));
        return line;
    }
    return line;
}

// Splits a stream of bytes into lines at CR LF, LF or CR; keeps at most
// kLogLineLimit + 1 bytes of a line, enough to know it is too long.
class CLineSplitter {
public:
    explicit CLineSplitter(UninstallRecord& record) : m_record(record) {}

    void Feed(const char* bytes, size_t length) {
        for (size_t i = 0; i < length; ++i) {
            const char c = bytes[i];
            if (c == '\n' && m_afterCr) {
                m_afterCr = false;
                continue;
            }
            m_afterCr = c == '\r';
            if (c == '\r' || c == '\n') {
                EndLine();
            } else if (m_line.size() <= static_cast<size_t>(kLogLineLimit)) {
                m_line += c;
            }
        }
    }

    // True when the record holds a valid line and not too many lines.
    bool Finish() {
        EndLine();
        return !m_tooMany && m_record.ValidCount() > 0;
    }

private:
    void EndLine() {
        if (m_line.empty()) return;
        if (++m_count > kLogLineCountLimit) m_tooMany = true;
        if (!m_tooMany) {
            LogLine line = ClassifyLine(m_line.data(), m_line.size());
            if (line.kind != LogLineKind::Refused) {
                m_record.lines.push_back(std::move(line));
            } else if (m_refused < kRefusedLinesListed) {
                ++m_refused;
                line.shown = ShownLogText(m_line.data(), m_line.size());
                m_record.lines.push_back(std::move(line));
            } else {
                ++m_record.refusedUnlisted;
            }
        }
        m_line.clear();
    }

    UninstallRecord& m_record;
    std::string m_line;
    bool m_afterCr = false;
    bool m_tooMany = false;
    int m_count = 0;
    int m_refused = 0;
};

} // namespace

int UninstallRecord::ValidCount() const {
    int count = 0;
    for (const LogLine& line : lines)
        if (line.kind != LogLineKind::Refused) ++count;
    return count;
}

CString ShownLogText(const char* bytes, size_t length) {
    CString shown;
    size_t i = 0;
    while (i < length) {
        size_t n = CharLength(bytes, length, i);
        if (shown.GetLength() + static_cast<int>(n ? n : 1) > kLogLineShownLength) {
            shown += "...";
            break;
        }
        if (n == 0) {
            shown += '?';
            n = 1;
        } else {
            shown += CString(bytes + i, static_cast<int>(n));
        }
        i += n;
    }
    return shown;
}

CString LogLineText(const LogLine& line) {
    for (const LinePrefix& prefix : kLinePrefixes) {
        if (prefix.kind != line.kind) continue;
        CString text = prefix.text;
        if (line.kind == LogLineKind::RegKey) {
            int digit = 4;
            for (int i = 0; i < 4; ++i)
                if (kRootsByDigit[i] == line.root) digit = i;
            text += static_cast<char>('0' + digit);
            text += ',';
        }
        return text + line.path;
    }
    return line.shown;
}

bool ParseUninstallRecord(const char* bytes, size_t length, UninstallRecord& record) {
    record = UninstallRecord();
    CLineSplitter splitter(record);
    splitter.Feed(bytes, length);
    return splitter.Finish();
}

bool ReadUninstallRecord(const CString& logPath, UninstallRecord& record) {
    record = UninstallRecord();
    std::wstring widePath;
    if (!ToWide(logPath, widePath)) return false;
    CFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kLogFileLimit) return false;

    CLineSplitter splitter(record);
    std::string buffer(64 * 1024, '\0');
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), &buffer[0], static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0) break;
        splitter.Feed(buffer.data(), read);
    }
    return splitter.Finish();
}
