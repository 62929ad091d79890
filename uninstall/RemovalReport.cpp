#include "uninstall/RemovalReport.h"

#include "framework/Handles.h"

namespace {

struct Section {
    const char* heading;
    const CStringArray* names;
};

void AppendSections(CString& text, const RemovalOutcome& outcome, int maxShown) {
    const Section sections[] = {
        {.heading = "保留的数据文件（您的数据）：", .names = &outcome.keptData},
        {.heading = "正在使用、没有删除的文件：", .names = &outcome.inUse},
        {.heading = "将在重新启动计算机后删除的文件：", .names = &outcome.scheduled},
        {.heading = "无法删除的项目：", .names = &outcome.failed},
        {.heading = "安装记录中不属于本软件的行（已拒绝，没有做任何处理）：",
         .names = &outcome.refused},
    };
    for (const Section& section : sections) {
        if (section.names->empty()) continue;
        text.AppendFormat("\n%s\n", section.heading);
        text += ListNames(*section.names, maxShown);
    }
}

bool AnythingLeft(const RemovalOutcome& outcome) {
    return !outcome.keptData.empty() || !outcome.inUse.empty() || !outcome.scheduled.empty() ||
           !outcome.failed.empty() || !outcome.refused.empty();
}

} // namespace

CString ListNames(const CStringArray& names, int maxShown) {
    CString text;
    const int count = static_cast<int>(names.size());
    const int shown = maxShown > 0 && count > maxShown ? maxShown : count;
    for (int i = 0; i < shown; ++i) text.AppendFormat("    %s\n", names[i].GetString());
    if (shown < count) text.AppendFormat("    以及另外 %d 项\n", count - shown);
    return text;
}

CString LastBoxText(const RemovalOutcome& outcome, bool selfAtRestart) {
    CString text;
    if (!outcome.inUse.empty() || !outcome.failed.empty())
        text = "Kelvra V9.0 没有完全删除。";
    else
        text = "Kelvra V9.0 已从您的计算机中删除。";
    if (outcome.removed > 0)
        text.AppendFormat("\n本次删除了 %d 项（文件、文件夹和注册表项）。", outcome.removed);
    else
        text += "\n没有找到还需删除的内容。";
    if (AnythingLeft(outcome)) {
        text += "\n\n下列内容留在了计算机上：\n";
        AppendSections(text, outcome, kShownNamesPerList);
    }
    if (!outcome.scheduled.empty() || selfAtRestart) {
        text += "\n请重新启动计算机以完成卸载";
        text += selfAtRestart ? "（卸载程序的临时副本也将在重新启动后删除）。" : "。";
    }
    return text;
}

CString TextLogReport(const CString& destination, const CStringArray& trail,
                      const RemovalOutcome& outcome, int exitCode) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    CString text;
    text.Format("Kelvra V9.0 卸载日志 %04u-%02u-%02u %02u:%02u:%02u\n安装文件夹：%s\n\n", now.wYear,
                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, destination.GetString());
    for (const CString& line : trail) text.AppendFormat("%s\n", line.GetString());
    text.AppendFormat("\n删除了 %d 项。\n", outcome.removed);
    AppendSections(text, outcome, 0);
    text.AppendFormat("\n退出代码：%d\n", exitCode);
    return text;
}

bool WriteReportFile(const CString& path, const CString& text) {
    CFileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string bytes;
    bytes.reserve(text.str().size() + text.str().size() / 16);
    for (char c : text.str()) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}
