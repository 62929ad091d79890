#include "uninstall/RemovalReport.h"

#include "framework/RunLog.h"

#include <algorithm>
#include <functional>

namespace {

struct Section {
    const char* heading;
    const CStringArray* names;
    // How many names the box shows; the log lists all unless limited too.
    int shown = kShownNamesPerList;
    bool logLimited = false;
};

void ForEachSection(const RemovalOutcome& outcome,
                    const std::function<void(const Section&)>& visit) {
    const Section sections[] = {
        {.heading = "保留的数据文件（您的数据）：", .names = &outcome.keptData},
        {.heading = "保留的您添加或修改过的文件：",
         .names = &outcome.userFiles,
         .shown = kShownUserFiles,
         .logLimited = true},
        {.heading = "保留的安装前已有的文件夹（安装程序没有创建它们）：",
         .names = &outcome.foldersBefore},
        {.heading = "没有有效的安装记录，下列文件夹中还有文件，已保留（没有删除其中的任何内容）：",
         .names = &outcome.foldersLeft},
        {.heading = "正在使用、没有删除的文件：", .names = &outcome.inUse},
        {.heading = "将在重新启动计算机后删除的文件：", .names = &outcome.scheduled},
        {.heading = "无法删除的项目：", .names = &outcome.failed},
        {.heading = "安装记录中不属于本软件的行（已拒绝，没有做任何处理）：",
         .names = &outcome.refused},
    };
    for (const Section& section : sections)
        if (!section.names->empty()) visit(section);
}

bool AnythingLeft(const RemovalOutcome& outcome) {
    bool left = false;
    ForEachSection(outcome, [&left](const Section&) { left = true; });
    return left;
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
    if (outcome.safeMode)
        text += "\n没有找到有效的安装记录：只删除了 Uninstall.log 记录的文件、快捷方式和注册表项，"
                "以及已经空了的文件夹。";
    if (outcome.removed > 0)
        text.AppendFormat("\n本次删除了 %d 项（文件、文件夹和注册表项）。", outcome.removed);
    else
        text += "\n没有找到还需删除的内容。";
    if (AnythingLeft(outcome)) {
        text += "\n\n下列内容留在了计算机上：\n";
        ForEachSection(outcome, [&](const Section& section) {
            text.AppendFormat("\n%s", section.heading);
            if (section.logLimited) text.AppendFormat("（共 %d 个）", int(section.names->size()));
            text += "\n";
            text += ListNames(*section.names, section.shown);
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
    ForEachSection(outcome, [](const Section& section) {
        const CStringArray& names = *section.names;
        size_t listed = names.size();
        if (section.logLimited) {
            RunLogLine("%s 共 %d 个", section.heading, static_cast<int>(names.size()));
            listed = std::min(listed, static_cast<size_t>(section.shown));
        }
        for (size_t i = 0; i < listed; ++i)
            RunLogLine("%s %s", section.heading, names[i].GetString());
    });
    RunLogLine("结束, 退出代码 %d", exitCode);
}
