// The version block Explorer's Details tab and deployment inventories show,
// read back from each built program as they read it: the same product, the
// same version and language, each program under its own name.
#include "framework/String.h"
#include "tests/support/WinePath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Program {
    const char* builtAt; // the host path the build wrote it to
    const char* description;
    const char* internalName;
    const char* fileName;
};

const Program kPrograms[] = {
    {.builtAt = KELVRA_SETUP_EXE,
     .description = "Kelvra V9.0 安装程序",
     .internalName = "Setup",
     .fileName = "Setup.exe"},
    {.builtAt = KELVRA_UNINSTALL_EXE,
     .description = "Kelvra V9.0 卸载程序",
     .internalName = "Uninstall-64",
     .fileName = "Uninstall-64.exe"},
    {.builtAt = KELVRA_USERSETUP_EXE,
     .description = "Kelvra V9.0 用户设置程序",
     .internalName = "KelvraUserSetup",
     .fileName = "KelvraUserSetup.exe"},
};

} // namespace

TEST(VersionInfoTest, EveryProgramCarriesTheProductsVersionInChineseUnderItsOwnName) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.fileName);
        const CString path = WinePath(program.builtAt);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        ASSERT_GT(size, 0u) << "no version block in " << path.GetString();
        std::vector<char> block(size);
        ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

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

        const std::pair<const char*, const char*> fields[] = {
            {"CompanyName", "Morvane 软件公司"},
            {"ProductName", "土地整理规划设计软件 Kelvra V9.0"},
            {"FileDescription", program.description},
            {"FileVersion", "9.0"},
            {"ProductVersion", "9.0"},
            {"InternalName", program.internalName},
            {"OriginalFilename", program.fileName},
            {"LegalCopyright", "版权所有 (C) Morvane 软件公司"},
        };
        for (const auto& [name, text] : fields) {
            value = nullptr;
            ASSERT_TRUE(VerQueryValueA(block.data(), CString("\\StringFileInfo\\080403a8\\") + name,
                                       &value, &length))
                << name;
            EXPECT_STREQ(static_cast<const char*>(value), text) << name;
        }
    }
}
