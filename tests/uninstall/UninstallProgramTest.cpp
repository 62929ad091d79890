// The uninstaller program's own logic that needs no window: what its last
// box says.
#include "uninstall/RemovalReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CStringArray Names(int count) {
    CStringArray names;
    for (int i = 1; i <= count; ++i) {
        CString name;
        name.Format("C:\\K\\文件%02d.dwg", i);
        names.push_back(name);
    }
    return names;
}

TEST(UninstallProgramTest, LastBoxNamesWhatStayedAndShortensLongLists) {
    RemovalOutcome done;
    done.removed = 42;
    RemovalOutcome kept = done;
    kept.keptData = {"C:\\K\\Database\\kelvra.mdb"};
    RemovalOutcome refused = done;
    refused.refused = Names(kShownNamesPerList + 3);
    RemovalOutcome failed = done;
    failed.inUse = {"C:\\K\\Kelvra-64.exe"};
    RemovalOutcome nothing;
    struct Case {
        const char* what;
        const RemovalOutcome* outcome;
        bool selfAtRestart;
        std::vector<const char*> says;
        std::vector<const char*> saysNot;
    };
    const Case cases[] = {
        {.what = "all removed",
         .outcome = &done,
         .selfAtRestart = false,
         .says = {"已从您的计算机中删除", "本次删除了 42 项"},
         .saysNot = {"留在了计算机上", "重新启动"}},
        {.what = "data kept",
         .outcome = &kept,
         .selfAtRestart = false,
         .says = {"已从您的计算机中删除", "保留的数据文件", "kelvra.mdb"},
         .saysNot = {"以及另外"}},
        {.what = "refused lines",
         .outcome = &refused,
         .selfAtRestart = false,
         .says = {"已拒绝", "文件05.dwg", "以及另外 3 项"},
         .saysNot = {"文件06.dwg"}},
        {.what = "a file in use",
         .outcome = &failed,
         .selfAtRestart = false,
         .says = {"没有完全删除", "Kelvra-64.exe"},
         .saysNot = {"已从您的计算机中删除"}},
        {.what = "a second run",
         .outcome = &nothing,
         .selfAtRestart = true,
         .says = {"没有找到还需删除的内容", "重新启动"},
         .saysNot = {"本次删除了"}},
    };
    for (const Case& c : cases) {
        const CString text = LastBoxText(*c.outcome, c.selfAtRestart);
        for (const char* part : c.says) EXPECT_NE(text.Find(part), -1) << c.what << ": " << text;
        for (const char* part : c.saysNot) EXPECT_EQ(text.Find(part), -1) << c.what << ": " << text;
    }
}

} // namespace
