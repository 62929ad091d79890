// The log of one run, for the administrator of an unattended installation:
// one time-stamped line per step or failure. Code page 936 text with CR LF
// line ends, as every text the program handles already is: Notepad and
// CMTrace on a Chinese Windows read it as it is, and so do type and findstr
// in its console. Failure lines carry the word ERROR, which CMTrace shows in red.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

class CRunLog {
public:
    CRunLog() = default;
    ~CRunLog();
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Creates (or empties) the file and makes it the process's log, which
    // RunLogLine writes to from any thread. False when it cannot be created.
    bool Open(const char* path);
    // Ends the log, so that another process (a restarted or copied run) may
    // create the same file.
    void Close();
    bool IsOpen() const { return m_file.IsValid(); }
    const CString& Path() const { return m_path; }

private:
    CFileHandle m_file;
    CString m_path;
};

// One line in the process's log; nothing when no log is open. Line breaks
// inside the text become blanks: one entry, one line.
void RunLogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A failure: "ERROR", the text, then the system's text for the error code.
// The thread's last error is left as it was.
void RunLogFailure(DWORD error, const char* format, ...) __attribute__((format(printf, 2, 3)));
// True while a log is open (callers skip work that only feeds the log).
bool RunLogIsOpen();

// %TEMP%\name: where a silent run without /LOG= keeps its log.
CString TempFolderPath(const char* name);
