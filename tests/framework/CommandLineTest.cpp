#include "framework/CommandLine.h"

#include "framework/SingleInstance.h"
#include "tests/support/SquattedName.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* commandLine; // whole, program path first
    unsigned accepted = kSetupSwitches;
    bool silent = false;
    bool help = false;
    bool removeData = false;
    const char* logFile = "";
    const char* destination = "";
    const char* invalid = ""; // the argument named as not understood
    bool elevatedRun = false;
    const char* handBack = "";
    bool noRestart = false;
    bool allowDowngrade = false;
};

// 乗 (81 5C) ends in the byte of a backslash: a folder named after it has no
// backslash of its own.
const ParseCase kCases[] = {
    {.commandLine = "Setup.exe"},
    {.commandLine = "\"C:\\My Share\\Setup.exe\"   /S  ", .silent = true},
    {.commandLine = "C:\\dist\\Setup.exe /s /log=C:\\logs\\a.log",
     .silent = true,
     .logFile = "C:\\logs\\a.log"},
    {.commandLine = "Setup.exe /LOG=\"\\\\srv\\logs\\PC 1.log\" /S",
     .silent = true,
     .logFile = "\\\\srv\\logs\\PC 1.log"},
    {.commandLine = "Setup.exe /S /D=D:\\Program Files\\Kelvra V9",
     .silent = true,
     .destination = "D:\\Program Files\\Kelvra V9\\"},
    {.commandLine = "Setup.exe /d=\"D:\\软件 安装\\土地\\\"  ",
     .destination = "D:\\软件 安装\\土地\\"},
    {.commandLine = "Setup.exe \"/D=E:\\a b\"", .destination = "E:\\a b\\"},
    {.commandLine = "Setup.exe /D=D:\\\x81\x5c", .destination = "D:\\\x81\x5c\\"},
    // Quoted, /D= ends at its closing quote; a UNC share is absolute too.
    {.commandLine = "Setup.exe /D=\"C:\\K\" /S", .silent = true, .destination = "C:\\K\\"},
    {.commandLine = "Setup.exe \"/D=C:\\a b\" /LOG=x.log",
     .logFile = "x.log",
     .destination = "C:\\a b\\"},
    {.commandLine = "Setup.exe /D=\\\\srv\\soft share\\K",
     .destination = "\\\\srv\\soft share\\K\\"},
    // A server named 乗: its trail byte is no separator.
    {.commandLine = "Setup.exe /D=\\\\\x81\x5c\\s", .destination = "\\\\\x81\x5c\\s\\"},
    // The restarted run's mark, first only, left out of the arguments.
    {.commandLine = "Setup.exe /_kelvra_elevated_run /S /D=C:\\a b",
     .silent = true,
     .destination = "C:\\a b\\",
     .elevatedRun = true},
    {.commandLine = "Setup.exe /S /_KELVRA_ELEVATED_RUN",
     .silent = true,
     .invalid = "/_KELVRA_ELEVATED_RUN"},
    {.commandLine = "Setup.exe /_KELVRA_ELEVATED_RUNX", .invalid = "/_KELVRA_ELEVATED_RUNX"},
    // With the name of the original's hand-back: 32 hexadecimal digits, no other.
    {.commandLine = "Setup.exe /_KELVRA_ELEVATED_RUN=0123456789abcdef0123456789ABCDEF /LOG=x",
     .logFile = "x",
     .elevatedRun = true,
     .handBack = "0123456789abcdef0123456789ABCDEF"},
    {.commandLine = "Setup.exe /_KELVRA_ELEVATED_RUN=0123456789abcdef",
     .invalid = "/_KELVRA_ELEVATED_RUN=0123456789abcdef"},
    {.commandLine = "Setup.exe /_KELVRA_ELEVATED_RUN=0123456789abcdef0123456789abcdef0",
     .invalid = "/_KELVRA_ELEVATED_RUN=0123456789abcdef0123456789abcdef0"},
    {.commandLine = "Setup.exe /_KELVRA_ELEVATED_RUN=C:\\x\\0123456789abcdef0123456789",
     .invalid = "/_KELVRA_ELEVATED_RUN=C:\\x\\0123456789abcdef0123456789"},
    {.commandLine = "Setup.exe /?", .help = true},
    // Refused: no backslash, empty values, unknown switches, a switch the
    // program does not take.
    {.commandLine = "Setup.exe /S /D=Kelvra", .silent = true, .invalid = "/D=Kelvra"},
    {.commandLine = "Setup.exe /D=\x81\x5c", .invalid = "/D=\x81\x5c"},
    {.commandLine = "Setup.exe /D=", .invalid = "/D="},
    // An unquoted /D= takes the rest of the line: a switch there was misplaced.
    {.commandLine = "Setup.exe /D=C:\\x /S", .silent = true, .invalid = "/D=C:\\x /S"},
    {.commandLine = "Setup.exe /D=C:\\x /LOG=C:\\l.log", .invalid = "/D=C:\\x /LOG=C:\\l.log"},
    {.commandLine = "Setup.exe /S /D=C:\\x\t/log=C:\\l.log",
     .silent = true,
     .invalid = "/D=C:\\x\t/log=C:\\l.log"},
    // Not absolute: drive-relative, rooted on the current drive, relative,
    // a bare server, the device forms, an unclosed quote.
    {.commandLine = "Setup.exe /D=C:K", .invalid = "/D=C:K"},
    {.commandLine = "Setup.exe /D=\\Kelvra", .invalid = "/D=\\Kelvra"},
    {.commandLine = "Setup.exe /D=K\\L", .invalid = "/D=K\\L"},
    {.commandLine = "Setup.exe /D=1:\\K", .invalid = "/D=1:\\K"},
    {.commandLine = "Setup.exe /D=\\\\srv\\", .invalid = "/D=\\\\srv\\"},
    {.commandLine = "Setup.exe /D=\\\\?\\C:\\K", .invalid = "/D=\\\\?\\C:\\K"},
    {.commandLine = "Setup.exe /D=\\\\.\\C:\\K", .invalid = "/D=\\\\.\\C:\\K"},
    {.commandLine = "Setup.exe /D=\"C:\\a /S", .invalid = "/D=\"C:\\a /S"},
    {.commandLine = "Setup.exe /S /LOG=", .silent = true, .invalid = "/LOG="},
    {.commandLine = "Setup.exe /quiet /S", .silent = true, .invalid = "/quiet"},
    {.commandLine = "Setup.exe \"two words\"", .invalid = "\"two words\""},
    {.commandLine = "Setup.exe /SS", .invalid = "/SS"},
    {.commandLine = "Uninstall-64.exe /S /removedata",
     .accepted = kUninstallSwitches,
     .silent = true,
     .removeData = true},
    {.commandLine = "Setup.exe /REMOVEDATA", .invalid = "/REMOVEDATA"},
    {.commandLine = "Uninstall-64.exe /S /D=C:\\x",
     .accepted = kUninstallSwitches,
     .silent = true,
     .invalid = "/D=C:\\x"},
    // What deployment templates add: accepted, and after an unquoted /D= too.
    {.commandLine = "Setup.exe /S /norestart /ALLOWDOWNGRADE",
     .silent = true,
     .noRestart = true,
     .allowDowngrade = true},
    {.commandLine = "Setup.exe /S /D=C:\\Program Files\\K /NORESTART  /norestart ",
     .silent = true,
     .destination = "C:\\Program Files\\K\\",
     .noRestart = true},
    {.commandLine = "Setup.exe /S /D=C:\\K /ALLOWDOWNGRADE",
     .silent = true,
     .invalid = "/D=C:\\K /ALLOWDOWNGRADE"},
    {.commandLine = "Setup.exe /D=C:\\K /NORESTART /S",
     .silent = true,
     .invalid = "/D=C:\\K /NORESTART /S"},
    {.commandLine = "Uninstall-64.exe /S /NORESTART",
     .accepted = kUninstallSwitches,
     .silent = true,
     .noRestart = true},
    {.commandLine = "Uninstall-64.exe /ALLOWDOWNGRADE",
     .accepted = kUninstallSwitches,
     .invalid = "/ALLOWDOWNGRADE"},
};

TEST(CommandLineTest, ParsesTheSwitchesAndNamesWhatItRefuses) {
    for (const ParseCase& c : kCases) {
        SCOPED_TRACE(c.commandLine);
        const CommandLineOptions o = ParseCommandLine(c.commandLine, c.accepted);
        EXPECT_EQ(o.silent, c.silent);
        EXPECT_EQ(o.help, c.help);
        EXPECT_EQ(o.removeData, c.removeData);
        EXPECT_EQ(o.logFile, CString(c.logFile));
        EXPECT_EQ(o.destination, CString(c.destination));
        EXPECT_EQ(o.invalidArgument, CString(c.invalid));
        EXPECT_EQ(o.IsValid(), *c.invalid == '\0');
        EXPECT_EQ(o.elevatedRun, c.elevatedRun);
        EXPECT_EQ(o.handBack, CString(c.handBack));
        EXPECT_EQ(o.noRestart, c.noRestart);
        EXPECT_EQ(o.allowDowngrade, c.allowDowngrade);
    }
    EXPECT_EQ(ParseArguments("  /_KELVRA_ELEVATED_RUN  /S /D=C:\\a ", kSetupSwitches).arguments,
              CString("/S /D=C:\\a"));
    EXPECT_FALSE(
        ParseArguments("/_KELVRA_ELEVATED_RUN", kSwitchLog | kSwitchDestination).IsValid());
}

// As a command interpreter would have expanded it: %COMPUTERNAME% in a log
// share's path. A variable that is not set stays as written; one whose value
// code page 936 cannot hold makes the switch one not understood.
TEST(CommandLineTest, TheLogsPathExpandsEnvironmentVariables) {
    SetEnvironmentVariableW(L"KELVRA_TEST_PC", L"PC042");
    SetEnvironmentVariableW(L"KELVRA_TEST_USER", L"S\u00f8ren");
    const struct {
        const char* arguments;
        const char* logFile;
    } cases[] = {
        {.arguments = "/S \"/LOG=\\\\srv\\logs\\%KELVRA_TEST_PC%.log\"",
         .logFile = "\\\\srv\\logs\\PC042.log"},
        {.arguments = "/LOG=%kelvra_test_pc%\\%KELVRA_NOT_SET%.log",
         .logFile = "PC042\\%KELVRA_NOT_SET%.log"},
        {.arguments = "/LOG=C:\\%KELVRA_TEST_USER%.log", .logFile = ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CommandLineOptions o = ParseArguments(c.arguments, kSetupSwitches);
        EXPECT_EQ(o.logFile, CString(c.logFile));
        EXPECT_EQ(o.IsValid(), *c.logFile != '\0');
    }
    SetEnvironmentVariableW(L"KELVRA_TEST_PC", nullptr);
    SetEnvironmentVariableW(L"KELVRA_TEST_USER", nullptr);
}

TEST(CommandLineTest, SkipsTheProgramPathAsWindowsDoes) {
    EXPECT_STREQ(SkipProgramPath("\"C:\\a b\\Setup.exe\"/S"), "/S");
    EXPECT_STREQ(SkipProgramPath("C:\\ab\\Setup.exe \t /S /D=x"), "/S /D=x");
    EXPECT_STREQ(SkipProgramPath("\"unclosed"), "");
    EXPECT_STREQ(SkipProgramPath(""), "");
    // The wide line keeps what the system's code page could not.
    EXPECT_STREQ(
        SkipProgramPath(L"C:\\a b\\setup.EXE /D=D:\\S\u00f8ren 软件", L"C:\\a b\\Setup.exe"),
        L"/D=D:\\S\u00f8ren 软件");
    EXPECT_STREQ(SkipProgramPath(L"\"C:\\a b\\Setup.exe\"/S", L"C:\\x.exe"), L"/S");
    EXPECT_EQ(ParseCommandLine("Setup.exe  /S /D=C:\\a  ", kSetupSwitches).arguments,
              CString("/S /D=C:\\a"));
}

const char kProgram[] = "C:\\Program Files\\Morvane\\Kelvra\\Uninstall-64.exe";

TEST(CommandLineTest, AnUnquotedPathWithBlanksIsSkippedWholeWhenItIsTheProgramsOwn) {
    struct Case {
        const char* commandLine;
        const char* arguments;
    };
    const Case cases[] = {
        // The UninstallString as Programs and Features runs it.
        {.commandLine = kProgram, .arguments = ""},
        {.commandLine = "C:\\Program Files\\Morvane\\Kelvra\\Uninstall-64.exe /S",
         .arguments = "/S"},
        {.commandLine = "c:\\PROGRAM FILES\\morvane\\kelvra\\uninstall-64.EXE  /S /LOG=a b.log",
         .arguments = "/S /LOG=a b.log"},
        // The Start-menu link quotes it.
        {.commandLine = "\"C:\\Program Files\\Morvane\\Kelvra\\Uninstall-64.exe\" /S",
         .arguments = "/S"},
        // Not this program's path: skipped up to the first blank, as Windows does.
        {.commandLine = "C:\\Program Files\\Morvane\\Kelvra\\Uninstall-64.exeX /S",
         .arguments = "Files\\Morvane\\Kelvra\\Uninstall-64.exeX /S"},
        {.commandLine = "C:\\Program", .arguments = ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(SkipProgramPath(c.commandLine, kProgram), c.arguments) << c.commandLine;
}

TEST(CommandLineTest, APrivateSwitchIsKnownOnlyToItsProgram) {
    CommandLineOptions o = ParseArguments("/_TEMP=\"C:\\a b\" /S", kUninstallSwitches, "/_TEMP=");
    EXPECT_TRUE(o.IsValid());
    EXPECT_TRUE(o.privateSwitch);
    EXPECT_EQ(o.privateValue, CString("C:\\a b"));
    o = ParseArguments("/remove", kSwitchDestination, "/REMOVE");
    EXPECT_TRUE(o.IsValid());
    EXPECT_TRUE(o.privateSwitch);
    EXPECT_EQ(ParseArguments("/_TEMP=x", kUninstallSwitches).invalidArgument, CString("/_TEMP=x"));
}

TEST(SingleInstanceTest, ASecondHolderOfTheNameIsNotFirstWhereverTheTokenPutsIt) {
    const char name[] = "Kelvra single instance test";
    for (bool administrator : {true, false}) {
        {
            CSingleInstance first(name, administrator);
            EXPECT_TRUE(first.IsFirst()) << administrator;
            CSingleInstance second(name, administrator);
            EXPECT_FALSE(second.IsFirst()) << administrator;
        }
        CSingleInstance again(name, administrator);
        EXPECT_TRUE(again.IsFirst()) << administrator;
    }
}

// Where no private namespace can be made (Wine 8), an administrator's run
// holds "Global\<name> (administrators)", owned by the Administrators group.
// Held so by a run of the product, the name answers "running"; held by a
// user (owned by that user, open to all or to nobody), it does not keep an
// administrator's run from starting. A run without an administrator's
// rights keeps its lock in its session's Local namespace.
TEST(SingleInstanceTest, SquattedNamesDoNotStopAnAdministratorsRun) {
    const char name[] = "Kelvra squatted instance test";
    const wchar_t held[] = L"Global\\Kelvra squatted instance test (administrators)";
    struct Holder {
        const char* who;
        const wchar_t* sddl;
        WELL_KNOWN_SID_TYPE owner;
        bool stopsTheRun;
    };
    const Holder holders[] = {
        {.who = "a run of the product",
         .sddl = L"O:BAD:(A;;GA;;;WD)",
         .owner = WinBuiltinAdministratorsSid,
         .stopsTheRun = true},
        {.who = "a user, open to all",
         .sddl = L"O:WDD:(A;;GA;;;WD)",
         .owner = WinWorldSid,
         .stopsTheRun = false},
        {.who = "a user, open to nobody",
         .sddl = L"O:WDD:P",
         .owner = WinWorldSid,
         .stopsTheRun = false},
    };
    for (const Holder& holder : holders) {
        SCOPED_TRACE(holder.who);
        CSquattedName squatted(held, holder.sddl);
        ASSERT_TRUE(squatted.IsValid());
        ASSERT_TRUE(squatted.IsOwnedBy(holder.owner));
        EXPECT_EQ(!holder.stopsTheRun, CSingleInstance(name, true).IsFirst());
    }
    CSquattedName local(L"Local\\Kelvra squatted instance test", L"O:WDD:P");
    ASSERT_TRUE(local.IsValid());
    EXPECT_FALSE(CSingleInstance(name, false).IsFirst());
}

} // namespace
