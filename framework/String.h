// CString: the one 8-bit string type of the program. Text is code page 936
// (GBK): a lead byte 0x81-0xFE is followed by a trail byte that may be a
// backslash or an ASCII letter, so every helper that looks at single bytes
// steps over double-byte characters.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

// The program's text code page; literals are compiled to it.
constexpr unsigned kTextCodePage = 936;

bool IsGbkLeadByte(unsigned char c);

class CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text, static_cast<size_t>(length)) {}
    CString(std::string text) : m_text(std::move(text)) {}

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    const char* GetString() const { return m_text.c_str(); }
    operator const char*() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }
    char GetAt(int index) const { return m_text[static_cast<size_t>(index)]; }

    CString& operator=(const char* text) {
        m_text = text ? text : "";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char* text) {
        m_text += text ? text : "";
        return *this;
    }
    CString& operator+=(char c) {
        m_text += c;
        return *this;
    }

    friend CString operator+(CString a, const CString& b) {
        a += b;
        return a;
    }
    friend CString operator+(CString a, const char* b) {
        a += b;
        return a;
    }
    friend CString operator+(const char* a, const CString& b) { return CString(a) += b; }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_text != b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

    // printf-style formatting into a buffer of exactly the needed size.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);

    // White space (blank, tab, CR, LF, VT, FF) at either end; a GBK trail byte
    // is never white space, so a byte scan from the end is safe.
    CString& Trim() { return TrimRight().TrimLeft(); }
    CString& TrimLeft();
    CString& TrimRight();

    // ASCII A-Z to a-z; both bytes of a double-byte character are left alone.
    CString& MakeLower();
    // Comparison that folds ASCII letters only, double-byte characters compared as bytes.
    int CompareNoCase(const char* other) const;
    // Left(count).CompareNoCase(other), without the copies.
    int CompareLeftNoCase(int count, const char* other) const;

    // True when the last character (not merely the last byte) is a backslash.
    bool EndsWithBackslash() const;
    // Appends a backslash unless the last character already is one.
    CString& AppendBackslashIfMissing();

    // Byte offset of the first match starting on a character boundary, or -1.
    int Find(const char* needle, int start = 0) const;
    // Byte offset of the last single-byte character c, or -1 (never a trail byte).
    int ReverseFind(char c) const;

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Writable buffer of at least minLength bytes plus a NUL, for API calls;
    // ReleaseBuffer cuts the string at its first NUL (or at newLength).
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    std::string m_text;
};

using CStringArray = std::vector<CString>;
