#include "app/SetupDlg.h"

#include "app/DefaultFolder.h"
#include "engine/InstalledVersion.h"
#include "framework/WizardProtocol.h"
#include "framework/App.h"
#include "framework/BuildVersion.h"
#include "framework/ExitCode.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"
#include "host_cad/Registry.h"
#include "pages/DlgCompactpage.h"
#include "pages/DlgFinishpage.h"
#include "pages/DlgInstall.h"
#include "pages/DlgIntropage.h"
#include "pages/DlgPath.h"
#include "res/resource.h"
#include "ui/Backdrop.h"

const char kProductKey[] = "SOFTWARE\\Morvane\\Kelvra\\V9";

namespace {
constexpr int kPageCount = 5;
const char kQuitQuestion[] = "真要退出安装程序吗?";
const char kReinstallQuestion[] = "已经安装了本软件!\n是否重新安装?";
const char kReinstallCaption[] = "警告";
const char kDowngradeQuestion[] = "已经安装了本软件的较新版本 %s。\n\n"
                                  "本安装程序的版本 %s 较旧: 安装它将用旧版本替换新版本。\n\n"
                                  "是否仍要安装较旧的版本?";
const char kUnnamableSource[] = "安装程序所在文件夹的路径中有安装程序不能使用的字符:\n%s\n"
                                "请把安装程序放到其他文件夹后再运行。";
} // namespace

const char* WizardTitle() { return KELVRA_WIZARD_TITLE; }

// Until the copy has ended, leaving the wizard is the user's doing.
CSetupDlg::CSetupDlg(HWND parent)
    : CDialog(IDD_SETUP_DIALOG, parent), m_nExitCode(kExitUserCancelled) {
    m_hIcon = static_cast<HICON>(LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                            IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

CSetupDlg::~CSetupDlg() = default;

bool CSetupDlg::CheckExistingInstall() {
    CRegKey key;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, Wide(kProductKey).c_str(), key.Out()) != ERROR_SUCCESS)
        return false;
    // A value whose code page 936 form needs more than 1024 bytes counts as absent.
    CString path;
    DWORD bytes = 0;
    return ReadRegistryText(key.Get(), "installPath", path, &bytes) && bytes <= 1024;
}

bool CSetupDlg::AcceptInstalledVersion(bool& downgradeChosen) {
    downgradeChosen = false;
    const CString installed = ReadInstalledVersion();
    const VersionStep step = DecideVersionStep(installed, kBuildVersion, false, m_bAllowDowngrade);
    LogVersionStep(installed, kBuildVersion, step);
    if (step != VersionStep::AskDowngrade) return true;
    CString text;
    text.Format(kDowngradeQuestion, installed.GetString(), kBuildVersion);
    // No is the default: Enter keeps the newer build.
    if (AfxMessageBox(m_hWnd, text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, kReinstallCaption) !=
        IDYES) {
        RunLogLine("用户选择保留较新的版本, 没有更改任何内容");
        return false;
    }
    RunLogLine("用户选择换成较旧的版本");
    downgradeChosen = true;
    return true;
}

BOOL CSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (!AfxGetModuleFolder(m_strSourceDir)) {
        CString text;
        text.Format(kUnnamableSource, AfxGetModuleFolder().GetString());
        AfxMessageBox(m_hWnd, text, MB_OK | MB_ICONSTOP, WizardTitle());
        RunLogLine("ERROR  安装程序所在文件夹的路径中有代码页 936 不能表示的字符");
        m_nExitCode = kExitFailed;
        PostMessage(WM_CLOSE);
        return FALSE;
    }

    CollectPictures(m_strSourceDir + "\\安装界面\\", "*.jpg", m_pictureFiles);

    bool downgradeChosen = false;
    if (!AcceptInstalledVersion(downgradeChosen)) {
        m_nExitCode = kExitNewerInstalled;
        PostMessage(WM_CLOSE);
        return FALSE;
    }
    // Chosen already: the downgrade's question was the reinstall question.
    if (!downgradeChosen && CheckExistingInstall() &&
        AfxMessageBox(m_hWnd, kReinstallQuestion, MB_YESNO | MB_ICONQUESTION, kReinstallCaption) !=
            IDYES) {
        RunLogLine("已经安装了本软件: 用户没有选择重新安装");
        PostMessage(WM_CLOSE);
        return FALSE;
    }

    SetWindowText(WizardTitle());
    m_bAgreed = 0;
    m_strInstallDir = m_strCommandLineDir.IsEmpty() ? DefaultInstallDir() : m_strCommandLineDir;
    ShowWindow(SW_SHOWMAXIMIZED);
    SetTimer(SLIDESHOW_TIMER, m_slideInterval);

    CreatePages();
    RunWizard();

    PostMessage(WM_CLOSE);
    m_introPage.reset();
    m_agreementPage.reset();
    m_pathPage.reset();
    m_installPage.reset();
    m_finishPage.reset();
    return TRUE;
}

void CSetupDlg::CreatePages() {
    m_introPage = std::make_unique<CDlgIntropage>(m_hWnd);
    m_agreementPage = std::make_unique<CDlgCompactpage>(m_hWnd);
    m_pathPage = std::make_unique<CDlgPath>(m_hWnd);
    m_installPage = std::make_unique<CDlgInstall>(m_hWnd);
    m_finishPage = std::make_unique<CDlgFinishpage>(m_hWnd);
}

INT_PTR CSetupDlg::ShowPage(int n) {
    INT_PTR result = -1;
    switch (n) {
    case 0:
        result = m_introPage->DoModal();
        break;
    case 1:
        m_agreementPage->m_bAgreed = m_bAgreed;
        result = m_agreementPage->DoModal();
        m_bAgreed = m_agreementPage->m_bAgreed;
        break;
    case 2:
        m_pathPage->m_strInstallDir = m_strInstallDir;
        m_pathPage->m_strSourceDir = m_strSourceDir;
        result = m_pathPage->DoModal();
        m_strInstallDir = m_pathPage->m_strInstallDir;
        m_bReplaceInUseAtRestart = m_pathPage->m_bReplaceInUseAtRestart;
        m_copyCheck = m_pathPage->m_copyCheck;
        break;
    case 3:
        m_installPage->m_strSourceDir = m_strSourceDir;
        m_installPage->m_strInstallDir = m_strInstallDir;
        m_installPage->m_worker.m_userSteps = m_userSteps;
        m_installPage->m_worker.m_bElevated = m_bElevated;
        m_installPage->m_worker.m_bReplaceInUseAtRestart = m_bReplaceInUseAtRestart;
        m_installPage->m_worker.m_copyCheck = m_copyCheck;
        result = m_installPage->DoModal();
        m_strSourceDir = m_installPage->m_strSourceDir;
        break;
    case 4:
        m_finishPage->m_strInstallDir = m_strInstallDir;
        m_finishPage->m_bOpenReadme = m_userSteps.readme == ReadmeOpening::Here;
        result = m_finishPage->DoModal();
        m_bReadmeChosen = result == ID_WIZ_EXIT && m_finishPage->m_bReadmeChosen;
        break;
    default:
        break;
    }
    return result;
}

void CSetupDlg::RunWizard() {
    int n = 0;
    while (n >= 0 && n < kPageCount) {
        INT_PTR result = ShowPage(n);
        if (result == -1) {
            // The page cannot be created: showing it again would never end.
            m_nExitCode = kExitFailed;
            return;
        }
        if (n == 3 && (result == ID_WIZ_NEXT || result == ID_WIZ_EXIT)) {
            m_nExitCode = InstallOutcome(result);
            // After every write of the run: deployment systems detect the
            // product by this value, so it names only a complete installation.
            const bool installed = m_nExitCode == kExitSuccess || m_nExitCode == kExitRestartNeeded;
            if (installed ? !MarkInstallationComplete() : !ClearInstallationComplete())
                m_nExitCode = kExitFailed;
        }
        if (result == IDCANCEL) {
            if (AfxMessageBox(m_hWnd, kQuitQuestion, MB_YESNO | MB_ICONQUESTION, WizardTitle()) ==
                IDYES) {
                RunLogLine("用户退出了安装程序");
                return;
            }
        } else if (result == ID_WIZ_BACK) {
            --n;
        } else if (result == ID_WIZ_NEXT) {
            ++n;
        } else if (result == ID_WIZ_EXIT) {
            return;
        }
    }
}

int CSetupDlg::InstallOutcome(INT_PTR result) const {
    const CSetupThread& worker = m_installPage->m_worker;
    if (result == ID_WIZ_NEXT) {
        RunLogLine(worker.m_failures.Any() ? "ERROR  安装完成, 但有项目未能完成" : "安装完成");
        if (worker.m_failures.Any()) return kExitFailed;
        // Installed; what waits for the restart completes it then.
        return worker.m_replacedAtRestart.empty() ? kExitSuccess : kExitRestartNeeded;
    }
    if (worker.IsCancelled()) {
        RunLogLine("用户取消了安装");
        return kExitUserCancelled;
    }
    RunLogLine("ERROR  安装失败: 复制文件没有完成");
    return kExitFailed;
}

bool CSetupDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    (void)lp;
    switch (msg) {
    case WM_PAINT:
        if (!IsIconic(m_hWnd)) return false;
        OnPaint();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_ERASEBKGND:
        result = OnEraseBkgnd(reinterpret_cast<HDC>(wp));
        return true;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wp));
        return false; // default processing as well
    default:
        return false;
    }
}

void CSetupDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    RECT rect{};
    GetClientRect(&rect);
    int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc.Get(), x, y, m_hIcon);
}

BOOL CSetupDlg::OnEraseBkgnd(HDC dc) {
    RECT client{};
    GetClientRect(&client);
    DrawBackdrop(m_hWnd, dc, client, m_pictureFiles, m_pictureIndex);
    return TRUE;
}

void CSetupDlg::OnTimer(UINT_PTR id) {
    if (id != SLIDESHOW_TIMER) return;
    ++m_pictureIndex;
    Invalidate(TRUE);
}

void CSetupDlg::OnDestroy() { KillTimer(SLIDESHOW_TIMER); }
