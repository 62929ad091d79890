// The uninstaller's reading of Uninstall.log: the four kinds of line the
// installer writes, and every other line kept as refused so that the last
// box can name it. The file is code page 936 text; CR LF, LF and CR all end
// a line.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

enum class LogLineKind {
    FileCopy, // "File Copy: " a file, a link, or the program-group folder
    MadeDir,  // "Made Dir: " a folder the tree copy or the shortcut step made
    RegCtrl,  // "Reg Ctrl: " a control the installer registered
    RegKey,   // "RegDB Key: " root digit, comma, key
    Refused,  // anything else, or a line the safety rules turn down
};

struct LogLine {
    LogLineKind kind = LogLineKind::Refused;
    // The path or key after the prefix (after the root digit and comma for
    // RegKey); empty for a line refused while reading.
    CString path;
    // RegKey only: the predefined root the digit names (4: null, no root).
    HKEY root = nullptr;
    // Refused lines only: the line as it can be shown, cut to
    // kLogLineShownLength bytes on a character boundary, control and stray
    // bytes shown as "?".
    CString shown;
};

struct UninstallRecord {
    std::vector<LogLine> lines; // in the log's order
    // Refused lines beyond the first kRefusedLinesListed (not in lines).
    int refusedUnlisted = 0;
    int ValidCount() const; // lines not refused
};

// A line longer than this many bytes is refused (no path or key is that long).
constexpr int kLogLineLimit = 1024;
// How much of a refused line the last box shows.
constexpr int kLogLineShownLength = 80;
// How many refused lines are kept to be named.
constexpr int kRefusedLinesListed = 100;
// A log is a few KB: a file larger than this, or with more lines, is not an
// installer's log and is not acted on at all.
constexpr long long kLogFileLimit = 64LL * 1024 * 1024;
constexpr int kLogLineCountLimit = 200000;

// The shown form of a line (see LogLine::shown).
CString ShownLogText(const char* bytes, size_t length);
// A valid line as the log holds it, prefix included.
CString LogLineText(const LogLine& line);

// Splits bytes into lines and sorts each into its kind; empty lines are
// passed over. True when at least one line is valid and there are no more
// than kLogLineCountLimit lines.
bool ParseUninstallRecord(const char* bytes, size_t length, UninstallRecord& record);
// Reads the file in pieces (a line longer than kLogLineLimit is never held
// whole). False when the file is missing, unreadable, larger than
// kLogFileLimit or ParseUninstallRecord would say false.
bool ReadUninstallRecord(const CString& logPath, UninstallRecord& record);
