#include "uninstall/RemovalReport.h"

#include "framework/RunLog.h"

#include <functional>

namespace {

struct Section {
    const char* heading;
    const CStringArray* names;
};

void ForEachSection(const RemovalOutcome& outcome,
                    const std::function<void(const char*, const CStringArray&)>& visit) {
    const Section sections[] = {
        {.heading = "保留的数据文件（您的数据）：", .names = &outcome.keptData},
        {.heading = "正在使用、没有删除的文件：", .names = &outcome.inUse},
        {.heading = "将在重新启动计算机后删除的文件：", .names = &outcome.scheduled},
        {.heading = "无法删除的项目：", .names = &outcome.failed},
        {.heading = "安装记录中不属于本软件的行（已拒绝，没有做任何处理）：",
         .names = &outcome.refused},
    };
    for (const Section& section : sections)
        if (!section.names->empty()) visit(section.heading, *section.names);
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
        ForEachSection(outcome, [&](const char* heading, const CStringArray& names) {
            text.AppendFormat("\n%s\n", heading);
            text += ListNames(names, kShownNamesPerList);
        });
    }
    if (!outcome.scheduled.empty() || selfAtRestart) {
        text += "\n请重新启动计算机以完成卸载";
        text += selfAtRestart ? "（卸载程序的临时副本也将在重新启动后删除）。" : "。";
    }
    return text;
}

void LogOutcome(const RemovalOutcome& outcome, int exitCode) {
    RunLogLine("删除了 %d 项", outcome.removed);
    ForEachSection(outcome, [](const char* heading, const CStringArray& names) {
        for (const CString& name : names) RunLogLine("%s %s", heading, name.GetString());
    });
    RunLogLine("结束, 退出代码 %d", exitCode);
}
