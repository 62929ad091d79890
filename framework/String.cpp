#include "framework/String.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace {

// Asked for every byte of every path the programs walk: the code page's
// answer is read once into a table instead of a system call per byte, and
// the walks below fetch the table once per string.
const std::array<bool, 256>& LeadBytes() {
    static const std::array<bool, 256> leadBytes = [] {
        std::array<bool, 256> table{};
        for (int b = 0; b < 256; ++b)
            table[b] = IsDBCSLeadByteEx(kTextCodePage, static_cast<BYTE>(b)) != FALSE;
        return table;
    }();
    return leadBytes;
}

} // namespace

bool IsGbkLeadByte(unsigned char c) { return LeadBytes()[c]; }

namespace {

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Calls visit(offset, length) for every character, 1 or 2 bytes long.
template <typename Visit> void ForEachChar(const std::string& text, Visit visit) {
    const std::array<bool, 256>& lead = LeadBytes();
    size_t i = 0;
    while (i < text.size()) {
        size_t len = (lead[static_cast<unsigned char>(text[i])] && i + 1 < text.size()) ? 2 : 1;
        visit(i, len);
        i += len;
    }
}

} // namespace

void CString::FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(&out[0], out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    m_text.swap(out);
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_text += tail.m_text;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_text.size() && IsSpace(static_cast<unsigned char>(m_text[i]))) ++i;
    m_text.erase(0, i);
    return *this;
}

CString& CString::TrimRight() {
    // Walk characters so a trailing byte is only dropped when it is a whole character.
    size_t keep = 0;
    ForEachChar(m_text, [&](size_t at, size_t len) {
        if (len == 2 || !IsSpace(static_cast<unsigned char>(m_text[at]))) keep = at + len;
    });
    m_text.resize(keep);
    return *this;
}

CString& CString::MakeLower() {
    ForEachChar(m_text, [&](size_t at, size_t len) {
        if (len == 1 && m_text[at] >= 'A' && m_text[at] <= 'Z')
            m_text[at] = static_cast<char>(m_text[at] + ('a' - 'A'));
    });
    return *this;
}

namespace {

// The bytes of a string as MakeLower leaves them, one at a time, then the
// terminating NUL: comparing two of these is strcmp of the lowered copies,
// without making them. Every path comparison of the programs comes here.
class CFoldedBytes {
public:
    CFoldedBytes(const char* text, size_t length) : m_text(text), m_length(length) {}
    unsigned char Next() {
        if (m_at >= m_length) return 0;
        auto c = static_cast<unsigned char>(m_text[m_at]);
        if (m_trail)
            m_trail = false;
        else if (m_lead[c] && m_at + 1 < m_length)
            m_trail = true;
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + ('a' - 'A'));
        ++m_at;
        return c;
    }

private:
    const std::array<bool, 256>& m_lead = LeadBytes();
    const char* m_text;
    size_t m_length;
    size_t m_at = 0;
    bool m_trail = false;
};

int CompareFolded(CFoldedBytes a, CFoldedBytes b) {
    for (;;) {
        const unsigned char x = a.Next(), y = b.Next();
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

} // namespace

int CString::CompareNoCase(const char* other) const {
    if (!other) other = "";
    return CompareFolded(CFoldedBytes(m_text.data(), m_text.size()),
                         CFoldedBytes(other, std::strlen(other)));
}

int CString::CompareLeftNoCase(int count, const char* other) const {
    if (!other) other = "";
    const size_t length = count < 0 ? 0 : std::min(static_cast<size_t>(count), m_text.size());
    return CompareFolded(CFoldedBytes(m_text.data(), length),
                         CFoldedBytes(other, std::strlen(other)));
}

bool CString::EndsWithBackslash() const {
    bool last = false;
    ForEachChar(m_text, [&](size_t at, size_t len) { last = (len == 1 && m_text[at] == '\\'); });
    return last;
}

CString& CString::AppendBackslashIfMissing() {
    if (!EndsWithBackslash()) m_text += '\\';
    return *this;
}

int CString::Find(const char* needle, int start) const {
    const size_t n = std::strlen(needle);
    int found = -1;
    if (n == 0) {
        ForEachChar(m_text, [&](size_t at, size_t) {
            if (found < 0 && static_cast<int>(at) >= start) found = static_cast<int>(at);
        });
        if (found < 0 && start <= GetLength()) found = start;
        return found;
    }
    // The byte search finds the candidates; a candidate counts only where a
    // character starts, which one walk from the front tells.
    const std::array<bool, 256>& lead = LeadBytes();
    size_t boundary = 0;
    for (size_t at = m_text.find(needle, start < 0 ? 0 : static_cast<size_t>(start), n);
         at != std::string::npos; at = m_text.find(needle, at + 1, n)) {
        while (boundary < at)
            boundary +=
                (lead[static_cast<unsigned char>(m_text[boundary])] && boundary + 1 < m_text.size())
                    ? 2
                    : 1;
        if (boundary == at) return static_cast<int>(at);
    }
    return -1;
}

int CString::ReverseFind(char c) const {
    int found = -1;
    ForEachChar(m_text, [&](size_t at, size_t len) {
        if (len == 1 && m_text[at] == c) found = static_cast<int>(at);
    });
    return found;
}

CString CString::Left(int count) const {
    if (count < 0) count = 0;
    return CString(m_text.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    if (first < 0) first = 0;
    if (first >= GetLength()) return CString();
    return CString(m_text.substr(static_cast<size_t>(first)));
}

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (first >= GetLength() || count <= 0) return CString();
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    if (count >= GetLength()) return *this;
    return CString(m_text.substr(m_text.size() - static_cast<size_t>(count)));
}

char* CString::GetBuffer(int minLength) {
    if (minLength < GetLength()) minLength = GetLength();
    m_text.resize(static_cast<size_t>(minLength) + 1);
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = static_cast<int>(std::strlen(m_text.c_str()));
    m_text.resize(static_cast<size_t>(newLength));
}
