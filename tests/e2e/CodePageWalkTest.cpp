// The installer walk of the other scenarios, recorded under the system code
// page of the run: 936 by default, 1252 or 932 when CTest runs it with
// KELVRA_LOCALE. The record (pages read back in UTF-16, files, links,
// registry) goes to KELVRA_E2E_RECORD; when KELVRA_E2E_COMPARE names the
// record of the Chinese run, the two must be equal line by line.
#include "framework/WideText.h"
#include "tests/e2e/InstallScenario.h"
#include "tests/e2e/WalkRecord.h"

#include <algorithm>

namespace {

// Lines of one record that the other lacks (as many times as they are missing).
std::vector<std::string> Missing(std::vector<std::string> from, std::vector<std::string> in) {
    std::sort(from.begin(), from.end());
    std::sort(in.begin(), in.end());
    std::vector<std::string> missing;
    std::set_difference(from.begin(), from.end(), in.begin(), in.end(),
                        std::back_inserter(missing));
    return missing;
}

std::string Listed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

class CodePageWalk : public InstallScenario {
protected:
    void SetUp() override {
        if (!std::getenv("KELVRA_E2E_RECORD"))
            GTEST_SKIP() << "run through CTest: KELVRA_E2E_RECORD names the record to write";
        InstallScenario::SetUp();
        m_record = std::make_unique<CWalkRecord>(Wide(m_temp.Path()));
    }

    void OnPageReached(WizardPage page, HWND window) override {
        m_record->AddPage(PageName(page), window);
    }

    std::unique_ptr<CWalkRecord> m_record;
};

TEST_F(CodePageWalk, MachineStateAndPageTextsEqualTheChineseRun) {
    // A walk that stops short is still recorded and compared: the record
    // shows how far this code page got.
    try {
        InstallAll();
    } catch (const std::exception& failure) {
        ADD_FAILURE() << failure.what();
    }
    m_record->AddFiles("destination", Wide(m_destination));
    m_record->AddFiles("desktop", Wide(m_desktop));
    m_record->AddFiles("programs", Wide(m_programs));
    for (const char* key : {"SOFTWARE\\Morvane", "SOFTWARE\\Wow6432Node\\Morvane", kUninstallKey,
                            "SOFTWARE\\Classes\\Kelvra.SampleControl"})
        m_record->AddRegistry(HKEY_LOCAL_MACHINE, "HKLM", Wide(key));
    m_record->AddRegistry(HKEY_CURRENT_USER, "HKCU", L"Software\\Autodesk");
    ASSERT_TRUE(m_record->Write(WinePath(std::getenv("KELVRA_E2E_RECORD")).str()));

    // The pages show the Chinese texts as compiled.
    const std::vector<std::string>& lines = m_record->Lines();
    const std::string caption = "page welcome caption: " + Utf8(Wide(KELVRA_WIZARD_TITLE));
    EXPECT_NE(std::find(lines.begin(), lines.end(), caption), lines.end()) << Listed(lines);

    const char* compare = std::getenv("KELVRA_E2E_COMPARE");
    if (!compare) return;
    std::vector<std::string> chinese;
    ASSERT_TRUE(CWalkRecord::Read(WinePath(compare).str(), chinese)) << compare;
    EXPECT_TRUE(Missing(chinese, lines).empty() && Missing(lines, chinese).empty())
        << "only in the Chinese run:\n"
        << Listed(Missing(chinese, lines)) << "only in this run:\n"
        << Listed(Missing(lines, chinese));
}

} // namespace
