// The log of one run, for the administrator of an unattended installation:
// one time-stamped line per step or failure. Code page 936 text with CR LF
// line ends, as every text the program handles already is: Notepad and
// CMTrace on a Chinese Windows read it as it is, and so do type and findstr
// in its console. Failure lines carry the word ERROR, which CMTrace shows in red.
//
// Each run appends to the file, after a header (RunLogHeader), so a retry
// never erases the failure before it. Lines are gathered in memory and
// written when an ERROR line comes, when about a second has passed, when
// much has gathered, and at Close: a copied file costs no disk write of its
// own, and every line up to a failure is on disk before the run goes on.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

class CRunLog {
public:
    CRunLog() = default;
    ~CRunLog();
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Opens the file for appending (creating it) and makes it the process's
    // log, which RunLogLine writes to from any thread. When it cannot be
    // opened, the log goes to the same name in %TEMP%, whose first line names
    // the file refused and why. False when neither can be opened.
    bool Open(const char* path);
    // Writes what is gathered and ends the log, so that another process (a
    // restarted or copied run) may open the same file.
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
// The run's header: program (the module's name) and version, Windows version
// and build, account, elevated or not, system code page and the command line
// (a character code page 936 lacks is shown as <U+XXXX>, never as "?").
void RunLogHeader(const char* program);
// The command line as the log shows it (see RunLogHeader).
CString LoggedText(const wchar_t* wide);
// Writes the gathered lines now (before the run waits for someone).
void RunLogFlush();
// True while a log is open (callers skip work that only feeds the log).
bool RunLogIsOpen();

// %TEMP%\name: where a silent run without /LOG= keeps its log.
CString TempFolderPath(const char* name);
