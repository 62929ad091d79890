// A record of one installer walk that does not depend on the code page of
// the program taking it: the pages' texts as the windows hold them (UTF-16,
// read across processes), the files below given folders with their
// contents, the links' fields and registry trees. Everything is read through
// the wide functions and kept as UTF-8 lines, with the scenario's own temp
// folder replaced by "<temp>", so the same walk run twice gives the same
// lines whatever the system code page of either run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::string Utf8(const std::wstring& text);

class CWalkRecord {
public:
    explicit CWalkRecord(const std::wstring& tempFolder);

    // The page's caption and every child window's text, by control id.
    void AddPage(const char* name, HWND page);
    // Every folder and file below folder: files by size and content hash,
    // links by their target, arguments, working folder and icon, the
    // installation record by its entries.
    void AddFiles(const char* label, const std::wstring& folder);
    // Every key and value below key.
    void AddRegistry(HKEY root, const char* rootName, const std::wstring& key);

    const std::vector<std::string>& Lines() const { return m_lines; }
    bool Write(const std::string& path) const;
    static bool Read(const std::string& path, std::vector<std::string>& lines);

private:
    std::string Masked(const std::wstring& text) const;
    std::string FileLine(const std::wstring& relative, const std::wstring& path) const;
    void AddInstallRecord(const std::string& label, const std::wstring& path,
                          std::vector<std::string>& lines) const;
    void AddTree(const std::string& label, const std::wstring& folder, const std::wstring& relative,
                 std::vector<std::string>& lines);
    void AddKey(HKEY key, const std::string& path, std::vector<std::string>& lines);

    std::wstring m_temp;
    std::vector<std::string> m_lines;
};
