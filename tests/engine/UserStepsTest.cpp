// Who is set up where: the Active Setup versions, which must grow across
// machines (a user's own version roams with the profile).
#include "engine/ActiveSetup.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A moment, UTC, as a FILETIME.
FILETIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
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
            EXPECT_GT(CompareActiveSetupVersions(version, before), 0)
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
        const int compared = CompareActiveSetupVersions(order.a, order.b);
        EXPECT_EQ((compared > 0) - (compared < 0), order.sign);
    }
}

} // namespace
