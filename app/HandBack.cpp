#include "app/HandBack.h"

#include "app/SetupDlg.h"
#include "engine/ActiveSetup.h"
#include "framework/ExitCode.h"
#include "framework/FileSecurity.h"
#include "framework/RandomName.h"
#include "framework/WideText.h"
#include "host_cad/Registry.h"
#include "pages/DlgFinishpage.h"

namespace {

constexpr DWORD kHandBackMagic = 0x4256394B; // "K9VB"
// The per-user program writes a dozen keys and seven links: seconds at most.
constexpr DWORD kUserSetupWaitMs = 60000;

struct HandBackShared {
    DWORD magic;
    LONG requests;
};

std::wstring SectionName(const CString& name) { return L"Local\\Kelvra V9 Setup " + Wide(name); }

} // namespace

CHandBack::CHandBack() {
    CString name;
    CPrivateSecurity security;
    if (!RandomHexName(name) || !security.IsValid()) return;
    m_section.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE,
                                       0, sizeof(HandBackShared), SectionName(name).c_str()));
    // A section of that name already there is someone else's.
    if (!m_section || GetLastError() == ERROR_ALREADY_EXISTS) {
        m_section.Reset();
        return;
    }
    m_view.Reset(MapViewOfFile(m_section.Get(), FILE_MAP_WRITE, 0, 0, sizeof(HandBackShared)));
    if (!m_view) {
        m_section.Reset();
        return;
    }
    auto* shared = static_cast<HandBackShared*>(m_view.Get());
    shared->magic = kHandBackMagic;
    shared->requests = 0;
    m_name = name;
}

DWORD CHandBack::Requests() const {
    if (!m_view) return 0;
    auto* shared = static_cast<HandBackShared*>(m_view.Get());
    return static_cast<DWORD>(InterlockedCompareExchange(&shared->requests, 0, 0));
}

bool HandBack(const CString& name, DWORD requests) {
    CHandle section(OpenFileMappingW(FILE_MAP_WRITE, FALSE, SectionName(name).c_str()));
    CMappedView view(
        section ? MapViewOfFile(section.Get(), FILE_MAP_WRITE, 0, 0, sizeof(HandBackShared))
                : nullptr);
    if (!view) return false;
    auto* shared = static_cast<HandBackShared*>(view.Get());
    if (shared->magic != kHandBackMagic) return false;
    InterlockedExchange(&shared->requests, static_cast<LONG>(requests));
    return true;
}

void TakeBack(DWORD requests, int exitCode) {
    if ((requests & kHandBackUserSetup) && exitCode == kExitSuccess)
        RunRegisteredUserSetup(kUserSetupWaitMs);
    CString installDir;
    if ((requests & kHandBackReadme) &&
        ReadExistingString(HKEY_LOCAL_MACHINE, kProductKey, "installPath", installDir))
        OpenReadme(installDir);
}
