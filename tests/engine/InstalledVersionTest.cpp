// The order of builds: what a run of this build does about the installed
// one, interactively and silently, with and without /ALLOWDOWNGRADE.
#include "engine/InstalledVersion.h"

#include <gtest/gtest.h>

namespace {

TEST(InstalledVersion, ANewerBuildIsAskedAboutOrRefusedUnlessTheDowngradeIsAllowed) {
    const char kRunning[] = "9.0.1.0";
    struct Case {
        const char* installed; // the detection value; "" for none
        VersionStep interactive;
        VersionStep silent;
    };
    constexpr VersionStep go = VersionStep::Go;
    const Case cases[] = {
        {.installed = "", .interactive = go, .silent = go},
        // Lower: upgraded in place. "9.00" is what earlier builds wrote.
        {.installed = "9.00", .interactive = go, .silent = go},
        {.installed = "9.0.0.9", .interactive = go, .silent = go},
        // Not a version at all: no newer build is known to be there.
        {.installed = "unknown", .interactive = go, .silent = go},
        // Equal: reinstalled, the repair.
        {.installed = "9.0.1.0", .interactive = go, .silent = go},
        {.installed = "9.0.1", .interactive = go, .silent = go},
        // Higher, by any part.
        {.installed = "9.0.1.1",
         .interactive = VersionStep::AskDowngrade,
         .silent = VersionStep::RefuseDowngrade},
        {.installed = "9.0.10.0",
         .interactive = VersionStep::AskDowngrade,
         .silent = VersionStep::RefuseDowngrade},
        {.installed = "10.0.0.0",
         .interactive = VersionStep::AskDowngrade,
         .silent = VersionStep::RefuseDowngrade},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installed);
        EXPECT_EQ(DecideVersionStep(c.installed, kRunning, false, false), c.interactive);
        EXPECT_EQ(DecideVersionStep(c.installed, kRunning, true, false), c.silent);
        // /ALLOWDOWNGRADE: every order goes on, as a reinstallation.
        EXPECT_EQ(DecideVersionStep(c.installed, kRunning, false, true), go);
        EXPECT_EQ(DecideVersionStep(c.installed, kRunning, true, true), go);
    }
}

} // namespace
