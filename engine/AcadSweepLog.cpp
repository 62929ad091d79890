#include "engine/AcadSweepLog.h"

#include "framework/RunLog.h"

namespace {

const char* ViewName(const char* view) {
    return (view && *view) ? "32 位视图 Wow6432Node" : "本机视图";
}

} // namespace

void CAcadSweepLog::Configured(const AcadRelease& release, const char* view,
                               const CString& hostFolder, bool trustedPathsLeft) {
    RunLogLine("AutoCAD %s (%s): 已配置, %s, 安装文件夹 %s%s", release.releaseKey,
               release.yearLabel, ViewName(view), hostFolder.GetString(),
               trustedPathsLeft ? "; 受信任路径列表过长, 未加入本软件的文件夹" : "");
}

void CAcadSweepLog::Skipped(const AcadRelease& release) {
    CString views;
    for (const char* view : release.configurationSweepViews) {
        if (!views.IsEmpty()) views += ", ";
        views += ViewName(view);
    }
    RunLogLine("AutoCAD %s (%s): 跳过, 在%s中都没有找到其安装文件夹", release.releaseKey,
               release.yearLabel, views.IsEmpty() ? "注册表" : views.GetString());
}
