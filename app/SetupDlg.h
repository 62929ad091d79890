// The host: a borderless window maximised over the screen that carries the
// picture backdrop and runs the wizard's five pages modally over itself.
#pragma once

#include "engine/UserSteps.h"
#include "framework/Dialog.h"

#include <memory>

class CDlgIntropage;
class CDlgCompactpage;
class CDlgPath;
class CDlgInstall;
class CDlgFinishpage;
struct CopyCheck;

constexpr UINT_PTR SLIDESHOW_TIMER = 374;
// HKLM key whose "installPath" marks an earlier installation.
extern const char kProductKey[];

class CSetupDlg : public CDialog {
public:
    explicit CSetupDlg(HWND parent = nullptr);
    ~CSetupDlg() override;

    int m_bAgreed = 0;
    CString m_strSourceDir;
    CString m_strInstallDir;
    // Chosen on the destination page: files in use are replaced at the next
    // restart by the copying page's worker.
    bool m_bReplaceInUseAtRestart = false;
    // What the copy of a bound distribution checks (the destination page's).
    std::shared_ptr<const CopyCheck> m_copyCheck;
    UINT m_slideInterval = 5000;
    int m_pictureIndex = 0;
    CStringArray m_pictureFiles;
    HICON m_hIcon = nullptr;
    // The destination given on the command line (/D=), shown on the first
    // visit of the destination page instead of the default; empty for none.
    CString m_strCommandLineDir;
    // /ALLOWDOWNGRADE: an older build replaces a newer one without the question.
    bool m_bAllowDowngrade = false;
    // How the wizard ended, as the process's exit code (framework/ExitCode.h).
    int m_nExitCode;
    // Whose profiles and links the run writes, and who opens the read-me
    // (engine/UserSteps.h); handed to the copying and finish pages.
    UserSteps m_userSteps;
    // The run has an administrator's full rights (the copying page's
    // summary then advises nothing it already has).
    bool m_bElevated = false;
    // The finish page's read-me option was ticked at Finish.
    bool m_bReadmeChosen = false;

    // True when "installPath" could be read from the product key (an empty
    // value included). Opens the key with create semantics, as the engine's
    // registry reads do, through a 1024-byte buffer.
    static bool CheckExistingInstall();
    // At start-up, before the reinstall question: false when a newer build
    // is installed and the user did not choose to replace it (the run then
    // ends with 1638, nothing changed); downgradeChosen when they did.
    bool AcceptInstalledVersion(bool& downgradeChosen);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void OnDestroy() override;

    // Builds the five page objects with the host as their parent.
    virtual void CreatePages();
    // Shows the pages one at a time until the user leaves or finishes.
    void RunWizard();
    // One modal visit of page n with the host's copies in and out.
    INT_PTR ShowPage(int n);
    // The exit code once the copying page has ended with result.
    int InstallOutcome(INT_PTR result) const;

    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void OnTimer(UINT_PTR id);

    std::unique_ptr<CDlgIntropage> m_introPage;
    std::unique_ptr<CDlgCompactpage> m_agreementPage;
    std::unique_ptr<CDlgPath> m_pathPage;
    std::unique_ptr<CDlgInstall> m_installPage;
    std::unique_ptr<CDlgFinishpage> m_finishPage;
};

// The title of the host and of every page.
const char* WizardTitle();
