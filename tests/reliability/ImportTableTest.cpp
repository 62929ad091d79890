// The programs import nothing but KnownDLLs: any other library named in an
// import table is looked for beside the program first (a Downloads folder,
// %TEMP%), before any code of ours could lock the search. Read from the
// built files' PE import and delay-import tables.
#include "tests/support/WinePath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

// Windows 10/11's KnownDLLs, the libraries the loader always maps from
// System32: HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs
// as shipped (read on Windows 10 22H2 and Windows 11 23H2), plus ntdll and
// kernelbase, which the loader maps before the list is consulted. The
// api-ms-win-* and ext-ms-win-* API sets resolve inside the loader too.
const char* const kKnownDlls[] = {
    "advapi32.dll", "clbcatq.dll",  "combase.dll",  "comdlg32.dll", "coml2.dll",      "difxapi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imagehlp.dll", "imm32.dll",    "kernel32.dll",   "msctf.dll",
    "msvcrt.dll",   "normaliz.dll", "nsi.dll",      "ole32.dll",    "oleaut32.dll",   "psapi.dll",
    "rpcrt4.dll",   "sechost.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",    "shlwapi.dll",
    "user32.dll",   "wldap32.dll",  "ws2_32.dll",   "ntdll.dll",    "kernelbase.dll",
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsKnown(const std::string& dll) {
    const std::string name = Lower(dll);
    if (name.rfind("api-ms-win-", 0) == 0 || name.rfind("ext-ms-win-", 0) == 0) return true;
    for (const char* known : kKnownDlls)
        if (name == known) return true;
    return false;
}

// The DLL names in a PE32+ file's import and delay-import tables.
class CImportReader {
public:
    explicit CImportReader(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool Read(std::vector<std::string>& names, std::string& error) {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return Fail(error, "no MZ header");
        const auto* nt = At<IMAGE_NT_HEADERS64>(static_cast<size_t>(dos->e_lfanew));
        if (!nt || nt->Signature != IMAGE_NT_SIGNATURE ||
            nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            return Fail(error, "no PE32+ header");
        const size_t sections = static_cast<size_t>(dos->e_lfanew) + sizeof(DWORD) +
                                sizeof(IMAGE_FILE_HEADER) + nt->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto* section =
                At<IMAGE_SECTION_HEADER>(sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section) return Fail(error, "cut-off section table");
            m_sections.push_back(*section);
        }
        const auto& directories = nt->OptionalHeader.DataDirectory;
        // Import descriptors end with an all-zero one.
        for (DWORD rva = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress; rva;
             rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(Offset(rva));
            if (!entry) return Fail(error, "cut-off import table");
            if (entry->Name == 0) break;
            names.push_back(NameAt(entry->Name));
        }
        for (DWORD rva = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress; rva;
             rva += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
            const auto* entry = At<IMAGE_DELAYLOAD_DESCRIPTOR>(Offset(rva));
            if (!entry) return Fail(error, "cut-off delay-import table");
            if (entry->DllNameRVA == 0) break;
            names.push_back(NameAt(entry->DllNameRVA));
        }
        return true;
    }

private:
    static bool Fail(std::string& error, const char* text) {
        error = text;
        return false;
    }
    template <typename T> const T* At(size_t offset) const {
        if (offset == SIZE_MAX || offset + sizeof(T) > m_bytes.size()) return nullptr;
        return reinterpret_cast<const T*>(m_bytes.data() + offset);
    }
    size_t Offset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& section : m_sections)
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress +
                          std::max(section.Misc.VirtualSize, section.SizeOfRawData))
                return rva - section.VirtualAddress + section.PointerToRawData;
        return SIZE_MAX;
    }
    std::string NameAt(DWORD rva) const {
        const size_t offset = Offset(rva);
        std::string name;
        for (size_t at = offset; at != SIZE_MAX && at < m_bytes.size() && m_bytes[at]; ++at)
            name += m_bytes[at];
        return name;
    }

    std::string m_bytes;
    std::vector<IMAGE_SECTION_HEADER> m_sections;
};

TEST(ImportTableTest, EveryProgramImportsKnownDllsAlone) {
    for (const char* program : {KELVRA_SETUP_EXE, KELVRA_UNINSTALL_EXE, KELVRA_USERSETUP_EXE}) {
        std::vector<std::string> names;
        std::string error;
        ASSERT_TRUE(CImportReader(WinePath(program).str()).Read(names, error))
            << program << ": " << error;
        // A program that imports nothing was not read right.
        EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const std::string& name) {
            return Lower(name) == "kernel32.dll";
        })) << program;
        for (const std::string& name : names)
            EXPECT_TRUE(IsKnown(name)) << program << " imports " << name;
    }
}

// The reader itself sees a library that is not on the list: the test
// program links comctl32 for this.
TEST(ImportTableTest, TheReaderFindsALibraryOffTheList) {
    InitCommonControls();
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(CImportReader(self).Read(names, error)) << error;
    EXPECT_TRUE(std::any_of(names.begin(), names.end(),
                            [](const std::string& name) { return !IsKnown(name); }));
}

} // namespace
