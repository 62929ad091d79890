#include "framework/CommandLine.h"

#include <windows.h>

#include <cstring>
#include <strings.h>

// The bytes the scans below look for (blank, tab, double quote) are all below
// 0x40, so they are never the trail byte of a GBK character: a byte scan
// cannot split one.
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

// The destination page's rule: some text with a backslash in it; the folder
// then ends in one.
bool AcceptDestination(const char* value, CString& destination) {
    destination = WithoutQuotes(value, std::strlen(value));
    destination.Trim();
    if (destination.Find("\\") < 0) {
        destination.Empty();
        return false;
    }
    destination.AppendBackslashIfMissing();
    return true;
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

const char* SkipProgramPath(const char* commandLine, const char* programPath) {
    const char* p = commandLine ? commandLine : "";
    const size_t pathLength = programPath ? std::strlen(programPath) : 0;
    if (pathLength > 0 && *p != '"' && strnlen(p, pathLength) == pathLength &&
        CString(p, static_cast<int>(pathLength)).CompareNoCase(programPath) == 0 &&
        (p[pathLength] == '\0' || IsBlank(p[pathLength]))) {
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

CommandLineOptions ParseArguments(const char* arguments, unsigned accepted,
                                  const char* privateSwitch) {
    CommandLineOptions options;
    if (privateSwitch && !*privateSwitch) privateSwitch = nullptr;
    const char* p = arguments ? arguments : "";
    options.arguments = p;
    options.arguments.TrimRight();

    auto refuse = [&options](const CString& argument) {
        if (options.invalidArgument.IsEmpty()) options.invalidArgument = argument;
    };

    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) break;

        // /D= takes the rest of the line, blanks included, however it is quoted.
        const char* bare = (*p == '"') ? p + 1 : p;
        if (StartsWithNoCase(bare, "/D=")) {
            CString rest(p);
            rest.TrimRight();
            if (!(accepted & kSwitchDestination) ||
                !AcceptDestination(bare + 3, options.destination))
                refuse(rest);
            break;
        }

        // Any other argument ends at a blank outside quotes.
        const char* start = p;
        bool quoted = false;
        while (*p && (quoted || !IsBlank(*p))) {
            if (*p == '"') quoted = !quoted;
            ++p;
        }
        const CString written(start, static_cast<int>(p - start));
        const CString argument = WithoutQuotes(start, static_cast<size_t>(p - start));

        CString value;
        if ((accepted & kSwitchSilent) && argument.CompareNoCase("/S") == 0) {
            options.silent = true;
        } else if ((accepted & kSwitchRemoveData) && argument.CompareNoCase("/REMOVEDATA") == 0) {
            options.removeData = true;
        } else if ((accepted & kSwitchHelp) && argument == "/?") {
            options.help = true;
        } else if ((accepted & kSwitchLog) && TakeValue(argument, "/LOG=", value)) {
            value.Trim();
            if (value.IsEmpty())
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
    char programPath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) programPath[0] = '\0';
    return ParseArguments(SkipProgramPath(commandLine, programPath), accepted, privateSwitch);
}
