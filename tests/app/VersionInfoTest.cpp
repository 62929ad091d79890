// The version block Explorer's Details tab and deployment inventories show,
// read back from the built Setup.exe as they read it.
#include "framework/String.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The build tree's Unix path as Wine's drive Z: shows it.
CString WindowsPath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return CString(path);
}

} // namespace

TEST(VersionInfoTest, SetupCarriesTheProductsVersionInChinese) {
    const CString setup = WindowsPath(KELVRA_SETUP_EXE);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(setup, &ignored);
    ASSERT_GT(size, 0u) << "no version block in " << setup.GetString();
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(setup, 0, size, block.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 9));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 9));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // Simplified Chinese, code page 936: the block Explorer picks for these texts.
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0804);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 936);

    struct Field {
        const char* name;
        const char* text;
    };
    const Field fields[] = {
        {"CompanyName", "Morvane 软件公司"},
        {"ProductName", "土地整理规划设计软件 Kelvra V9.0"},
        {"FileDescription", "Kelvra V9.0 安装程序"},
        {"FileVersion", "9.0"},
        {"ProductVersion", "9.0"},
        {"InternalName", "Setup"},
        {"OriginalFilename", "Setup.exe"},
        {"LegalCopyright", "版权所有 (C) Morvane 软件公司"},
    };
    for (const Field& field : fields) {
        const CString query = CString("\\StringFileInfo\\080403a8\\") + field.name;
        value = nullptr;
        ASSERT_TRUE(VerQueryValueA(block.data(), query, &value, &length)) << field.name;
        EXPECT_STREQ(static_cast<const char*>(value), field.text) << field.name;
    }
}
