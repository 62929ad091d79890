#include "pages/DlgFilesInUse.h"

#include "framework/WideText.h"
#include "res/resource.h"

#include <algorithm>

namespace {
// Lines named one by one before the rest are only counted.
constexpr size_t kNamedLines = 8;
} // namespace

CDlgFilesInUse::CDlgFilesInUse(HWND parent, const InstallCheck& check)
    : CDialog(IDD_FILES_IN_USE, parent), m_check(check) {}

CString CDlgFilesInUse::QuestionText(const InstallCheck& check) {
    // Each program once; a file no program is known for, by its path.
    CStringArray lines;
    for (const FileInUse& file : check.inUse) {
        if (file.programs.empty()) {
            lines.push_back(ProgramNames(file.programs) + "（正在使用 " + file.path + "）");
            continue;
        }
        for (const CString& program : file.programs)
            if (std::find(lines.begin(), lines.end(), program) == lines.end())
                lines.push_back(program);
    }
    CString text = "下列程序正在使用安装程序需要替换的文件：\n";
    for (size_t i = 0; i < lines.size() && i < kNamedLines; ++i)
        text.AppendFormat("\n    %s", lines[i].GetString());
    if (lines.size() > kNamedLines)
        text.AppendFormat("\n    以及其他 %d 项", static_cast<int>(lines.size() - kNamedLines));
    text += "\n\n请保存您的工作并关闭这些程序，然后单击“重试”。\n";
    text += check.AllReplaceable()
                ? "单击“忽略”继续安装：正在使用的文件将在重新启动计算机后替换。\n"
                : "这些文件不能在重新启动计算机后替换（其路径上有并非只有管理员可以修改的"
                  "文件夹），不能忽略。\n";
    text += "单击“取消”返回，重新选择安装路径。";
    return text;
}

BOOL CDlgFilesInUse::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextW(m_hWnd, IDC_IN_USE_TEXT, Wide(QuestionText(m_check)).c_str());
    ::EnableWindow(GetDlgItem(IDIGNORE), m_check.AllReplaceable());
    CenterWindow();
    return TRUE;
}

bool CDlgFilesInUse::OnButtonClicked(int id) {
    if (id != IDRETRY && id != IDIGNORE) return false;
    EndDialog(id);
    return true;
}
