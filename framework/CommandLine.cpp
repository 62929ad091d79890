#include "framework/CommandLine.h"

#include "framework/App.h"
#include "framework/WideText.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <cwchar>
#include <string>
#include <strings.h>

// The bytes the scans below look for (blank, tab, double quote) are all below
// 0x40, so they are never the trail byte of a GBK character: a byte scan
// cannot split one.
namespace {

template <typename Char> bool IsBlank(Char c) { return c == ' ' || c == '\t'; }

bool StartsWithNoCase(const char* text, const char* prefix) {
    return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

// A path cannot hold a double quote: every one is a quote around (part of) it.
CString WithoutQuotes(const char* text, size_t length) {
    CString result;
    for (size_t i = 0; i < length; ++i)
        if (text[i] != '"') result += text[i];
    return result;
}

// A name part of a UNC path: at least one character up to the next
// backslash, stepping over double-byte characters (a trail byte can be 0x5C).
const char* SkipNamePart(const char* p) {
    const char* start = p;
    while (*p && *p != '\\') p += (IsGbkLeadByte(static_cast<unsigned char>(*p)) && p[1]) ? 2 : 1;
    return p > start ? p : nullptr;
}

// An absolute folder: "X:\..." with a drive letter, or "\\server\share...".
// A drive-relative "C:x", a path from the current drive's root "\x", a relative
// one and the device forms "\\?\" and "\\.\" are not.
bool IsAbsoluteFolder(const CString& path) {
    const char* p = path.GetString();
    if (((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')) && p[1] == ':') return p[2] == '\\';
    if (p[0] != '\\' || p[1] != '\\') return false;
    const char* server = p + 2;
    const char* serverEnd = SkipNamePart(server);
    if (!serverEnd || *serverEnd != '\\') return false;
    const CString serverName(server, static_cast<int>(serverEnd - server));
    if (serverName == "?" || serverName == ".") return false;
    return SkipNamePart(serverEnd + 1) != nullptr;
}

// The folder of /D=: quotes removed, trimmed, absolute; it then ends in a
// backslash.
bool AcceptDestination(const char* value, size_t length, CString& destination) {
    destination = WithoutQuotes(value, length);
    destination.Trim();
    if (!IsAbsoluteFolder(destination)) {
        destination.Empty();
        return false;
    }
    destination.AppendBackslashIfMissing();
    return true;
}

// An unquoted /D= value that holds another switch was put before it by
// mistake ("/D=C:\K /S"): refused, not installed into "C:\K /S".
bool HoldsSwitch(const char* value) {
    for (const char* p = value; *p; ++p)
        if (IsBlank(p[0]) &&
            (StartsWithNoCase(p + 1, "/S") || StartsWithNoCase(p + 1, "/LOG=") ||
             StartsWithNoCase(p + 1, "/NORESTART") || StartsWithNoCase(p + 1, "/ALLOWDOWNGRADE")))
            return true;
    return false;
}

// Deployment templates append /NORESTART to every command line, after an
// unquoted /D= too: taken off the value's end (no folder name holds "/").
// True when there was one.
bool TakeTrailingNoRestart(CString& value) {
    const char kNoRestart[] = " /NORESTART";
    const int length = static_cast<int>(sizeof(kNoRestart) - 1);
    bool taken = false;
    for (;;) {
        value.TrimRight();
        if (value.GetLength() <= length || value.Right(length).CompareNoCase(kNoRestart) != 0 ||
            !IsBlank(value.GetAt(value.GetLength() - length)))
            return taken;
        value = value.Left(value.GetLength() - length);
        taken = true;
    }
}

// %COMPUTERNAME% and the like, as a command interpreter would have expanded
// them; a variable that is not set stays as written. False when the result
// holds a character code page 936 cannot name.
bool ExpandVariables(CString& text) {
    std::wstring wide;
    if (!ToWide(text, wide)) return false;
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    if (needed == 0) return false;
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(wide.c_str(), &expanded[0], needed);
    if (written == 0 || written > needed) return false;
    expanded.resize(written - 1);
    return ToNarrow(expanded, text);
}

bool QuotesClosed(const char* start, const char* end) {
    int quotes = 0;
    for (const char* p = start; p < end; ++p)
        if (*p == '"') ++quotes;
    return quotes % 2 == 0;
}

// A "/S" of its own among the words of an unquoted /D= value.
bool HoldsSilentSwitch(const char* value) {
    for (const char* p = value; *p; ++p)
        if (IsBlank(p[0]) && StartsWithNoCase(p + 1, "/S") && (p[3] == '\0' || IsBlank(p[3])))
            return true;
    return false;
}

// The end of an argument that ends at a blank outside quotes.
const char* ArgumentEnd(const char* p) {
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
        if (*p == '"') quoted = !quoted;
        ++p;
    }
    return p;
}

// A switch "/NAME=value" when text starts with prefix "/NAME=": its value,
// quotes removed.
bool TakeValue(const CString& argument, const char* prefix, CString& value) {
    if (!StartsWithNoCase(argument, prefix)) return false;
    const size_t skip = std::strlen(prefix);
    value = WithoutQuotes(argument.GetString() + skip, argument.GetLength() - skip);
    return true;
}

} // namespace

namespace {

// Skips the program path as SkipProgramPath says; samePath(p) tells whether
// the pathLength characters at p are the program's own path.
template <typename Char, typename SamePath>
const Char* SkipPath(const Char* commandLine, size_t pathLength, SamePath samePath) {
    static const Char kEmpty[1] = {};
    const Char* p = commandLine ? commandLine : kEmpty;
    size_t available = 0;
    while (available < pathLength && p[available]) ++available;
    if (pathLength > 0 && *p != '"' && available == pathLength && samePath(p) &&
        (p[pathLength] == 0 || IsBlank(p[pathLength]))) {
        p += pathLength;
    } else if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && !IsBlank(*p)) ++p;
    }
    while (IsBlank(*p)) ++p;
    return p;
}

} // namespace

const char* SkipProgramPath(const char* commandLine, const char* programPath) {
    const size_t pathLength = programPath ? std::strlen(programPath) : 0;
    return SkipPath(commandLine, pathLength, [&](const char* p) {
        return CString(p, static_cast<int>(pathLength)).CompareNoCase(programPath) == 0;
    });
}

const wchar_t* SkipProgramPath(const wchar_t* commandLine, const wchar_t* programPath) {
    const size_t pathLength = programPath ? std::wcslen(programPath) : 0;
    return SkipPath(commandLine, pathLength, [&](const wchar_t* p) {
        const int length = static_cast<int>(pathLength);
        return CompareStringOrdinal(p, length, programPath, length, TRUE) == CSTR_EQUAL;
    });
}

CommandLineOptions ParseArguments(const char* arguments, unsigned accepted,
                                  const char* privateSwitch) {
    CommandLineOptions options;
    if (privateSwitch && !*privateSwitch) privateSwitch = nullptr;
    const char* p = arguments ? arguments : "";
    while (IsBlank(*p)) ++p;
    // The elevated run's mark counts only as the very first argument.
    const size_t markLength = std::strlen(kElevatedRunSwitch);
    if ((accepted & kSwitchElevatedRun) && StartsWithNoCase(p, kElevatedRunSwitch)) {
        // The hand-back's name: "=" and exactly 32 hexadecimal digits.
        const char* end = p + markLength;
        if (*end == '=') {
            const char* digits = end + 1;
            while (std::isxdigit(static_cast<unsigned char>(*digits))) ++digits;
            if (digits - end == 33) end = digits;
        }
        if (*end == '\0' || IsBlank(*end)) {
            options.elevatedRun = true;
            if (end != p + markLength) options.handBack = CString(p + markLength + 1, 32);
            p = end;
            while (IsBlank(*p)) ++p;
        }
    }
    options.arguments = p;
    options.arguments.TrimRight();

    auto refuse = [&options](const CString& argument) {
        if (options.invalidArgument.IsEmpty()) options.invalidArgument = argument;
    };

    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;

        const char* bare = (*p == '"') ? p + 1 : p;
        if (StartsWithNoCase(bare, "/D=") && (accepted & kSwitchDestination)) {
            const char* value = bare + 3;
            if (*p == '"' || *value == '"') {
                // Quoted: it ends at its closing quote, like any other argument.
                const char* end = ArgumentEnd(p);
                if (!QuotesClosed(p, end) ||
                    !AcceptDestination(value, static_cast<size_t>(end - value),
                                       options.destination))
                    refuse(CString(p, static_cast<int>(end - p)));
                p = end;
                continue;
            }
            // Unquoted: the rest of the line, blanks included.
            CString rest(p);
            rest.TrimRight();
            CString folder(value);
            if ((accepted & kSwitchNoRestart) && TakeTrailingNoRestart(folder))
                options.noRestart = true;
            if (HoldsSwitch(folder) ||
                !AcceptDestination(folder, static_cast<size_t>(folder.GetLength()),
                                   options.destination))
                refuse(rest);
            // A /S swallowed by the folder still asks for no window: the refusal
            // must not wait for someone to close a box.
            if (HoldsSilentSwitch(value)) options.silent = true;
            break;
        }

        // Any other argument ends at a blank outside quotes.
        const char* start = p;
        p = ArgumentEnd(p);
        const CString written(start, static_cast<int>(p - start));
        const CString argument = WithoutQuotes(start, static_cast<size_t>(p - start));

        CString value;
        if ((accepted & kSwitchSilent) && argument.CompareNoCase("/S") == 0) {
            options.silent = true;
        } else if ((accepted & kSwitchRemoveData) && argument.CompareNoCase("/REMOVEDATA") == 0) {
            options.removeData = true;
        } else if ((accepted & kSwitchNoRestart) && argument.CompareNoCase("/NORESTART") == 0) {
            options.noRestart = true;
        } else if ((accepted & kSwitchAllowDowngrade) &&
                   argument.CompareNoCase("/ALLOWDOWNGRADE") == 0) {
            options.allowDowngrade = true;
        } else if ((accepted & kSwitchHelp) && argument == "/?") {
            options.help = true;
        } else if ((accepted & kSwitchLog) && TakeValue(argument, "/LOG=", value)) {
            value.Trim();
            if (value.IsEmpty() || !ExpandVariables(value) || value.Trim().IsEmpty())
                refuse(written);
            else
                options.logFile = value;
        } else if (privateSwitch && privateSwitch[std::strlen(privateSwitch) - 1] == '=' &&
                   TakeValue(argument, privateSwitch, value)) {
            options.privateSwitch = true;
            options.privateValue = value;
        } else if (privateSwitch && argument.CompareNoCase(privateSwitch) == 0) {
            options.privateSwitch = true;
        } else {
            refuse(written);
        }
    }
    return options;
}

CommandLineOptions ParseCommandLine(const char* commandLine, unsigned accepted,
                                    const char* privateSwitch) {
    CString programPath;
    if (!ToNarrow(AfxGetModulePath(), programPath)) programPath.Empty();
    return ParseArguments(SkipProgramPath(commandLine, programPath), accepted, privateSwitch);
}

CommandLineOptions ParseProgramCommandLine(unsigned accepted, const char* privateSwitch) {
    const std::wstring programPath = AfxGetModulePath();
    const wchar_t* arguments = SkipProgramPath(GetCommandLineW(), programPath.c_str());
    CString narrow;
    if (ToNarrow(arguments, -1, narrow)) return ParseArguments(narrow, accepted, privateSwitch);
    // Read in its shown form, a folder such as "C:\Users\Søren" would name
    // another one: the whole line is refused as not understood.
    CommandLineOptions options;
    options.arguments = Narrow(arguments);
    options.invalidArgument = options.arguments;
    return options;
}
