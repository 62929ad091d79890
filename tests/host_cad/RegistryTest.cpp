// The five registry operations against the real (redirected) registry.
#include "framework/Handles.h"
#include "host_cad/Registry.h"
#include "host_cad/SiblingProducts.h"
#include "tests/support/ScratchRegistry.h"

#include <gtest/gtest.h>

#include <string>

TEST(RegistryAccess, ReadFromMissingKeyFailsEmptyAndLeavesTheKeyBehind) {
    ScratchRegistry registry;
    CString value = "stale";
    EXPECT_EQ(0, ReadMachineString("SOFTWARE\\Probe\\Missing", "installPath", value));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(RegKeyExists(registry.Machine(), "SOFTWARE\\Probe\\Missing"));

    value = "stale";
    EXPECT_EQ(0, ReadUserString("Software\\Probe\\Missing", "", value));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_TRUE(RegKeyExists(registry.User(), "Software\\Probe\\Missing"));
}

TEST(RegistryAccess, EmptyValueNameIsTheDefaultValue) {
    ScratchRegistry registry;
    ASSERT_EQ(1, WriteUserString("Software\\Probe", "", "<<Kelvra V9>>"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRegRaw(registry.User(), "Software\\Probe", nullptr, &type, &bytes));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(std::string("<<Kelvra V9>>", 14), bytes);

    SetRegString(registry.Machine(), "SOFTWARE\\Probe", "", "默认");
    CString value;
    EXPECT_EQ(1, ReadMachineString("SOFTWARE\\Probe", "", value));
    EXPECT_EQ(CString("默认"), value);
}

TEST(RegistryAccess, EmptyStringIsStoredAsOneByteRegSz) {
    ScratchRegistry registry;
    ASSERT_EQ(1, WriteMachineString("SOFTWARE\\Probe", "Empty", ""));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRegRaw(registry.Machine(), "SOFTWARE\\Probe", "Empty", &type, &bytes));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), bytes);

    CString value = "stale";
    EXPECT_EQ(1, ReadMachineString("SOFTWARE\\Probe", "Empty", value));
    EXPECT_TRUE(value.IsEmpty());
}

TEST(RegistryAccess, ReadsUpTo2047CharactersWholeAndRefusesLonger) {
    ScratchRegistry registry;
    const std::string fits(2047, 'a');
    const std::string tooLong(2048, 'b');
    SetRegString(registry.User(), "Software\\Probe", "Fits", fits.c_str());
    SetRegString(registry.User(), "Software\\Probe", "TooLong", tooLong.c_str());

    CString value;
    EXPECT_EQ(1, ReadUserString("Software\\Probe", "Fits", value));
    EXPECT_EQ(fits, value.str());
    value = "stale";
    EXPECT_EQ(0, ReadUserString("Software\\Probe", "TooLong", value));
    EXPECT_TRUE(value.IsEmpty());
}

TEST(RegistryAccess, ValueWithoutTerminatorIsReadAsTerminatedText) {
    ScratchRegistry registry;
    // 2048 bytes with no NUL fill the read buffer completely.
    const std::string raw(2048, 'c');
    SetRegRaw(registry.User(), "Software\\Probe", "Raw", REG_BINARY, raw.data(), DWORD(raw.size()));
    CString value;
    EXPECT_EQ(1, ReadUserString("Software\\Probe", "Raw", value));
    EXPECT_EQ(raw, value.str());
}

TEST(RegistryAccess, DwordIsStoredAsFourLittleEndianBytes) {
    ScratchRegistry registry;
    ASSERT_EQ(1, WriteMachineDword("SOFTWARE\\Probe", "LOADCTRLS", 2));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRegRaw(registry.Machine(), "SOFTWARE\\Probe", "LOADCTRLS", &type, &bytes));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(std::string("\x02\x00\x00\x00", 4), bytes);
}

// Mend 1: a string write has no fixed buffer.
TEST(RegistryAccess, LongStringWriteIsStoredWhole) {
    ScratchRegistry registry;
    std::string longValue;
    for (int i = 0; longValue.size() < 10000; ++i)
        longValue += "D:\\设计\\Support\\" + std::to_string(i) + ";";
    ASSERT_EQ(1, WriteUserString("Software\\Probe", "ACAD", longValue.c_str()));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRegRaw(registry.User(), "Software\\Probe", "ACAD", &type, &bytes));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(longValue + '\0', bytes);

    const std::string exactlyLimit(2048, 'x');
    ASSERT_EQ(1, WriteMachineString("SOFTWARE\\Probe", "Limit", exactlyLimit.c_str()));
    EXPECT_EQ(exactlyLimit, GetRegString(registry.Machine(), "SOFTWARE\\Probe", "Limit").str());
}

TEST(RegistryAccess, GbkTextRoundTripsByteForByte) {
    ScratchRegistry registry;
    // 乗 ends in 0x5C, the backslash byte.
    const char text[] = "D:\\土地乗\\";
    ASSERT_EQ(1, WriteMachineString("SOFTWARE\\Morvane\\Kelvra\\V9", "installPath", text));
    CString value;
    ASSERT_EQ(1, ReadMachineString("SOFTWARE\\Morvane\\Kelvra\\V9", "installPath", value));
    EXPECT_EQ(CString(text), value);
}

TEST(SiblingProducts, InstallPathIsTrimmedAndEndsInBackslash) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), "SOFTWARE\\Morvane\\Quintel\\V9", "installPath",
                 "  D:\\Quintel  ");
    SetRegString(registry.Machine(), "SOFTWARE\\Morvane\\Velmor\\V9", "installPath", " \t ");
    CString folder;
    EXPECT_EQ(1, ReadSiblingInstallPath(SiblingProduct::Quintel, folder));
    EXPECT_EQ(CString("D:\\Quintel\\"), folder);
    // Present but blank: counts as present, a lone backslash.
    EXPECT_EQ(1, ReadSiblingInstallPath(SiblingProduct::Velmor, folder));
    EXPECT_EQ(CString("\\"), folder);
}

TEST(SiblingProducts, MissingOrThirtyTwoBitOnlySiblingIsNotSeen) {
    ScratchRegistry registry;
    SetRegString(registry.Machine(), "SOFTWARE\\Wow6432Node\\Morvane\\Velmor\\V9", "installPath",
                 "D:\\V\\");
    CString folder = "stale";
    EXPECT_EQ(0, ReadSiblingInstallPath(SiblingProduct::Velmor, folder));
    EXPECT_TRUE(folder.IsEmpty());
    EXPECT_TRUE(RegKeyExists(registry.Machine(), "SOFTWARE\\Morvane\\Velmor\\V9"));
    // A GBK folder whose last byte is 0x5C gets its own backslash.
    SetRegString(registry.Machine(), "SOFTWARE\\Morvane\\Quintel\\V9", "installPath", "D:\\乗");
    EXPECT_EQ(1, ReadSiblingInstallPath(SiblingProduct::Quintel, folder));
    EXPECT_EQ(CString("D:\\乗\\"), folder);
}

// Text crosses into the registry in UTF-16, whatever the system's code page:
// the program's code page 936 text is stored as the Chinese it stands for,
// and a value code page 936 cannot hold reads as absent instead of as "?".
TEST(RegistryAccess, TextCrossesInUtf16AndAValue936CannotHoldReadsAsAbsent) {
    ScratchRegistry registry;
    ASSERT_EQ(1, WriteMachineString("SOFTWARE\\探针", "路径", "D:\\土地整理乗\\"));
    CRegKey key;
    ASSERT_EQ(RegOpenKeyExW(registry.Machine(), L"SOFTWARE\\探针", 0, KEY_ALL_ACCESS, key.Out()),
              ERROR_SUCCESS);
    wchar_t stored[64] = {};
    DWORD size = sizeof(stored);
    ASSERT_EQ(RegQueryValueExW(key.Get(), L"路径", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(stored), std::wstring(L"D:\\土地整理乗\\"));

    const std::wstring soren = L"C:\\Users\\S\u00f8ren";
    ASSERT_EQ(RegSetValueExW(key.Get(), L"User", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(soren.c_str()),
                             static_cast<DWORD>((soren.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    CString value = "stale";
    EXPECT_EQ(0, ReadMachineString("SOFTWARE\\探针", "User", value));
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_EQ(1, ReadMachineString("SOFTWARE\\探针", "路径", value));
    EXPECT_EQ(value, CString("D:\\土地整理乗\\"));
}
