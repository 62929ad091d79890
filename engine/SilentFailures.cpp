// The one box that sums up what the steps after the copy could not do (most
// often for want of administrator rights), so a partial installation is never
// reported as a whole one without a word.
#include "engine/SetupThread.h"

#include "framework/App.h"

CString CSetupThread::SilentFailuresText(const SilentFailures& failures) {
    if (!failures.Any()) return CString();
    CString text = "安装已完成，但以下项目未能完成：\n";
    if (failures.machineValues)
        text.AppendFormat("\n    %ld 个注册表项（HKEY_LOCAL_MACHINE）未能写入",
                          failures.machineValues);
    if (failures.controls) text.AppendFormat("\n    %d 个控件未能注册", failures.controls);
    if (failures.links) text.AppendFormat("\n    %d 个快捷方式未能创建", failures.links);
    text += "\n\n请右键单击 Setup.exe，选择“以管理员身份运行”，重新安装即可完成这些项目。";
    return text;
}

void CSetupThread::ReportSilentFailures() {
    const CString text = SilentFailuresText(m_failures);
    if (text.IsEmpty()) return;
    AfxMessageBox(PageWindow(), text, MB_OK | MB_ICONWARNING);
}
