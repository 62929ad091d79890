#include "framework/CommandLine.h"

#include "framework/SingleInstance.h"

#include <gtest/gtest.h>

#include <sddl.h>

namespace {

struct ParseCase {
    const char* commandLine; // whole, program path first
    unsigned accepted = kSetupSwitches;
    bool silent = false;
    bool help = false;
    const char* logFile = "";
    const char* destination = "";
    const char* invalid = ""; // the argument named as not understood
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
    // /D= swallows what follows it: a /S after it is part of the folder.
    {.commandLine = "Setup.exe /D=C:\\x /S", .destination = "C:\\x /S\\"},
    {.commandLine = "Setup.exe /?", .help = true},
    // Refused: no backslash, empty values, unknown switches, a switch the
    // program does not take.
    {.commandLine = "Setup.exe /S /D=Kelvra", .silent = true, .invalid = "/D=Kelvra"},
    {.commandLine = "Setup.exe /D=\x81\x5c", .invalid = "/D=\x81\x5c"},
    {.commandLine = "Setup.exe /D=", .invalid = "/D="},
    {.commandLine = "Setup.exe /S /LOG=", .silent = true, .invalid = "/LOG="},
    {.commandLine = "Setup.exe /quiet /S", .silent = true, .invalid = "/quiet"},
    {.commandLine = "Setup.exe \"two words\"", .invalid = "\"two words\""},
    {.commandLine = "Setup.exe /SS", .invalid = "/SS"},
    {.commandLine = "Uninstall-64.exe /S /D=C:\\x",
     .accepted = kUninstallSwitches,
     .silent = true,
     .invalid = "/D=C:\\x"},
};

TEST(CommandLineTest, ParsesTheSwitchesAndNamesWhatItRefuses) {
    for (const ParseCase& c : kCases) {
        SCOPED_TRACE(c.commandLine);
        const CommandLineOptions o = ParseCommandLine(c.commandLine, c.accepted);
        EXPECT_EQ(o.silent, c.silent);
        EXPECT_EQ(o.help, c.help);
        EXPECT_EQ(o.logFile, CString(c.logFile));
        EXPECT_EQ(o.destination, CString(c.destination));
        EXPECT_EQ(o.invalidArgument, CString(c.invalid));
        EXPECT_EQ(o.IsValid(), *c.invalid == '\0');
    }
}

TEST(CommandLineTest, SkipsTheProgramPathAsWindowsDoes) {
    EXPECT_STREQ(SkipProgramPath("\"C:\\a b\\Setup.exe\"/S"), "/S");
    EXPECT_STREQ(SkipProgramPath("C:\\ab\\Setup.exe \t /S /D=x"), "/S /D=x");
    EXPECT_STREQ(SkipProgramPath("\"unclosed"), "");
    EXPECT_STREQ(SkipProgramPath(""), "");
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

// Names anyone may create first, with a list that lets nobody open them: the
// name the programs once used, and the session's Local name. An
// administrator's run is not kept from starting by either.
TEST(SingleInstanceTest, SquattedNamesDoNotStopAnAdministratorsRun) {
    const char name[] = "Kelvra squatted instance test";
    PSECURITY_DESCRIPTOR nobody = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1,
                                                                     &nobody, nullptr));
    CLocalMemory owned(nobody);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nobody, FALSE};
    CHandle global(CreateMutexW(&attributes, FALSE, L"Global\\Kelvra squatted instance test"));
    CHandle local(CreateMutexW(&attributes, FALSE, L"Local\\Kelvra squatted instance test"));
    ASSERT_TRUE(global.IsValid() && local.IsValid());
    EXPECT_TRUE(CSingleInstance(name, true).IsFirst());
    // Where a run without an administrator's rights keeps its lock.
    EXPECT_FALSE(CSingleInstance(name, false).IsFirst());
}

} // namespace
