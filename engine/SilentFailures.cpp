// The one box that sums up what the steps after the copy could not do, so a
// partial installation is never reported as a whole one without a word.
#include "engine/SetupThread.h"

#include "framework/App.h"
#include "framework/RunLog.h"

namespace {

// Paths named one by one before the rest are only counted.
constexpr size_t kNamedPaths = 5;

void AppendKind(CString& text, const CStringArray& paths, const char* what) {
    if (paths.empty()) return;
    text.AppendFormat("\n    %d 个%s：", static_cast<int>(paths.size()), what);
    for (size_t i = 0; i < paths.size() && i < kNamedPaths; ++i)
        text.AppendFormat("\n        %s", paths[i].GetString());
    if (paths.size() > kNamedPaths)
        text.AppendFormat("\n        以及其他 %d 个", static_cast<int>(paths.size() - kNamedPaths));
}

} // namespace

CString CSetupThread::SilentFailuresText(const SilentFailures& failures, bool elevated) {
    if (!failures.Any()) return CString();
    CString text = "安装已完成，但以下项目未能完成：\n";
    if (failures.machineValues)
        text.AppendFormat("\n    %ld 个注册表项（HKEY_LOCAL_MACHINE）未能写入",
                          failures.machineValues);
    AppendKind(text, failures.controls, "控件未能注册");
    AppendKind(text, failures.links, "快捷方式未能创建");
    AppendKind(text, failures.programFiles, "程序文件未能复制");
    if (failures.trustedPathLists)
        text.AppendFormat("\n    %d 个 AutoCAD 配置的受信任位置（TRUSTEDPATHS）过长，"
                          "未能加入本软件的文件夹",
                          failures.trustedPathLists);
    AppendKind(text, failures.files, "文件未能复制");
    AppendKind(text, failures.dataFolders, "数据文件夹未能允许标准用户写入");
    if (failures.userSetup)
        text += "\n    每个用户的设置（Active Setup）未能注册：其他用户登录时不会得到"
                "本软件的 AutoCAD 配置和快捷方式";
    // Rights help only where rights were missing: a control that is no
    // library does not register as administrator either.
    if (failures.accessDenied && !elevated)
        text += "\n\n请右键单击 Setup.exe，选择“以管理员身份运行”，重新安装即可完成这些项目。";
    if (failures.accessDenied && elevated) {
        text += "\n\n安装程序已经以管理员身份运行，以下位置仍然拒绝写入：";
        for (const CString& place : failures.deniedPlaces) text += "\n        " + place;
        text += "\n它们可能受到保护（例如 Windows 安全中心“勒索软件防护”中的“受控文件夹访问”），"
                "请允许 Setup.exe 访问后重新安装。";
    }
    if (failures.inUse) text += "\n\n请先关闭正在使用这些文件的程序，然后重新安装。";
    if (failures.controlsOthersMayChange)
        text += "\n\n控件所在的文件夹不是只有管理员才能修改，没有注册其中的控件。"
                "请安装到 Program Files 下的文件夹，或安装到新的文件夹。";
    return text;
}

void CSetupThread::ReportSilentFailures() {
    // After a confirmed cancel the page may be gone: no box without an owner.
    if (IsCancelled()) return;
    const CString text = SilentFailuresText(m_failures, m_bElevated);
    if (text.IsEmpty()) return;
    RunLogLine("ERROR  %s", text.GetString());
    ShowSilentFailures(text);
}

void CSetupThread::ShowSilentFailures(const CString& text) {
    AfxMessageBox(m_hWndPage, text, MB_OK | MB_ICONWARNING);
}

void CSetupThread::CountFailedFile(const CString& file, DWORD error) {
    m_failures.files.push_back(file);
    if (error == ERROR_ACCESS_DENIED) NoteAccessDenied(file.Left(file.ReverseFind('\\')));
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) m_failures.inUse = true;
}

void CSetupThread::NoteAccessDenied(const CString& place) {
    m_failures.accessDenied = true;
    for (const CString& known : m_failures.deniedPlaces)
        if (known.CompareNoCase(place) == 0) return;
    m_failures.deniedPlaces.push_back(place);
}
