// Who is set up where: each kind of run's per-user steps, and the Active
// Setup versions, which must grow across machines (a user's own version
// roams with the profile).
#include "engine/ActiveSetup.h"
#include "engine/UserSteps.h"
#include "framework/VersionNumbers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr ConfigurationParts kBoth = ConfigurationParts::UserAndMachine;
constexpr ConfigurationParts kMachine = ConfigurationParts::MachineOnly;

struct StepsCase {
    const char* run;
    RunIdentity identity; // the facts that hold
    // Its own account's profiles and links here (kBoth) or not (kMachine);
    // every user's at the next logon; the original's user by the original.
    ConfigurationParts parts;
    bool everyUserAtLogon;
    bool originalUserByTheOriginal = false;
    ReadmeOpening readme;
};

const StepsCase kStepsCases[] = {
    {.run = "interactive, elevated from the start",
     .identity = {.elevated = true},
     .parts = kBoth,
     .everyUserAtLogon = true,
     .readme = ReadmeOpening::Here},
    {.run = "interactive, restarted elevated (an administrator's password for a user)",
     .identity = {.restarted = true, .elevated = true},
     .parts = kMachine,
     .everyUserAtLogon = true,
     .originalUserByTheOriginal = true,
     .readme = ReadmeOpening::ByTheOriginal},
    {.run = "interactive, restarted without the rights, going on with the user's own",
     .identity = {.restarted = true},
     .parts = kBoth,
     .everyUserAtLogon = false,
     .readme = ReadmeOpening::Here},
    {.run = "interactive, a standard user with UAC off, going on",
     .identity = {},
     .parts = kBoth,
     .everyUserAtLogon = false,
     .readme = ReadmeOpening::Here},
    {.run = "interactive as SYSTEM (a deployment that shows its wizard)",
     .identity = {.elevated = true, .system = true},
     .parts = kMachine,
     .everyUserAtLogon = true,
     .readme = ReadmeOpening::Never},
    {.run = "silent, an elevated administrator",
     .identity = {.silent = true, .elevated = true},
     .parts = kBoth,
     .everyUserAtLogon = true,
     .readme = ReadmeOpening::Here},
    {.run = "silent, with the restart's mark typed by hand",
     .identity = {.silent = true, .restarted = true, .elevated = true},
     .parts = kBoth,
     .everyUserAtLogon = true,
     .readme = ReadmeOpening::Here},
    {.run = "silent as SYSTEM (Intune, Configuration Manager)",
     .identity = {.silent = true, .elevated = true, .system = true},
     .parts = kMachine,
     .everyUserAtLogon = true,
     .readme = ReadmeOpening::Never},
};

TEST(UserSteps, WhichPerUserStepsRunWhereForEachKindOfRun) {
    for (const StepsCase& c : kStepsCases) {
        SCOPED_TRACE(c.run);
        const UserSteps steps = DecideUserSteps(c.identity);
        EXPECT_EQ(steps.parts, c.parts);
        EXPECT_EQ(steps.registersUserSetup, c.everyUserAtLogon);
        EXPECT_EQ(steps.originalSetsUpItsUser, c.originalUserByTheOriginal);
        EXPECT_EQ(steps.readme, c.readme);
    }
}

// A moment, UTC, as a FILETIME.
FILETIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    const SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return file;
}

struct Registration {
    const char* what;
    int machine; // 0 or 1: whose component Version the run reads and raises
    FILETIME when;
};

// Runs in the order they happen, on two machines with right clocks. Machine
// 0 starts with the counter an earlier release of the installer left after
// three installations (a roaming user's own Version then reached it too).
TEST(ActiveSetupVersion, EveryRunIsHigherThanEveryEarlierRunOnEitherMachine) {
    const Registration runs[] = {
        {"machine 1, the first installation", 1, At(2026, 3, 14, 7, 5, 9)},
        {"machine 0, an installation", 0, At(2026, 3, 14, 7, 5, 10)},
        {"machine 0, again within the same two seconds", 0, At(2026, 3, 14, 7, 5, 11)},
        {"machine 0, a third time in those seconds", 0, At(2026, 3, 14, 7, 5, 11)},
        {"machine 1, a minute later", 1, At(2026, 3, 14, 7, 6, 9)},
        {"machine 1, the last second of the day", 1, At(2026, 3, 14, 23, 59, 59)},
        {"machine 0, the next midnight", 0, At(2026, 3, 15, 0, 0, 0)},
        {"machine 1, years later", 1, At(2031, 1, 1, 12, 0, 0)},
    };
    CString component[2] = {"9,0,0,3", ""};
    std::vector<CString> earlier = {component[0]};
    for (const Registration& run : runs) {
        SCOPED_TRACE(run.what);
        const CString version = NextActiveSetupVersion(component[run.machine], run.when);
        for (const CString& before : earlier)
            EXPECT_GT(CompareVersions(version, before), 0)
                << version.GetString() << " after " << before.GetString();
        earlier.push_back(version);
        component[run.machine] = version;
    }
    // The form: the product's version, the day and the half-second count.
    EXPECT_EQ(NextActiveSetupVersion("", At(2000, 1, 2, 0, 0, 3)), "9,0,1,1");
    EXPECT_EQ(NextActiveSetupVersion("", At(2026, 3, 14, 23, 59, 59)), "9,0,9569,43199");
}

TEST(ActiveSetupVersion, AClockSetBackStillRaisesTheVersionAndTheOrderIsNumeric) {
    const FILETIME past = At(2020, 1, 1, 0, 0, 0);
    EXPECT_EQ(NextActiveSetupVersion("9,0,9569,43199", past), "9,0,9569,43200");
    EXPECT_EQ(NextActiveSetupVersion("9,0,9569,65535", past), "9,0,9570,0");
    struct Order {
        const char* a;
        const char* b;
        int sign;
    };
    const Order orders[] = {
        {.a = "9,0,10,0", .b = "9,0,9,99", .sign = 1},
        {.a = "9,0,0,3", .b = "9,0,0,3", .sign = 0},
        {.a = "9,0", .b = "9,0,0,0", .sign = 0},
        {.a = "9.0.0.4", .b = "9,0,0,3", .sign = 1},
        {.a = "", .b = "9,0,0,1", .sign = -1},
        {.a = "10,0,0,0", .b = "9,0,9569,1", .sign = 1},
    };
    for (const Order& order : orders) {
        SCOPED_TRACE(CString(order.a) + " against " + order.b);
        const int compared = CompareVersions(order.a, order.b);
        EXPECT_EQ((compared > 0) - (compared < 0), order.sign);
    }
}

} // namespace
