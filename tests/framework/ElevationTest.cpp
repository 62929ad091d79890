#include "framework/Elevation.h"

#include <gtest/gtest.h>

namespace {

struct RightsCase {
    const char* who;
    ProcessRights rights;
    RightsStep interactive; // a first run with a window
};

// With an administrator's rights every run goes on. Without them the run the
// restart started offers the user's own rights, and a silent run (/S, with or
// without the restart's mark) is refused.
const RightsCase kCases[] = {
    {.who = "administrator, elevated",
     .rights = {.elevationType = TokenElevationTypeFull, .elevated = true, .uacEnabled = true},
     .interactive = RightsStep::Continue},
    {.who = "administrator's double-click under UAC",
     .rights = {.elevationType = TokenElevationTypeLimited, .elevated = false, .uacEnabled = true},
     .interactive = RightsStep::Restart},
    {.who = "standard user, UAC on",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = false, .uacEnabled = true},
     .interactive = RightsStep::Restart},
    {.who = "standard user, UAC off",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = false, .uacEnabled = false},
     .interactive = RightsStep::OfferUserRights},
    {.who = "administrator, UAC off; SYSTEM; the built-in Administrator",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = true, .uacEnabled = false},
     .interactive = RightsStep::Continue},
};

TEST(ElevationTest, TheTokenKindAndUacDecideWhetherToRestart) {
    for (const RightsCase& c : kCases) {
        SCOPED_TRACE(c.who);
        const bool admin = c.rights.elevated;
        const RightsStep restarted = admin ? RightsStep::Continue : RightsStep::OfferUserRights;
        const RightsStep silent = admin ? RightsStep::Continue : RightsStep::RefuseSilent;
        EXPECT_EQ(DecideRights(c.rights, false, false), c.interactive);
        EXPECT_EQ(DecideRights(c.rights, false, true), restarted);
        EXPECT_EQ(DecideRights(c.rights, true, false), silent);
        EXPECT_EQ(DecideRights(c.rights, true, true), silent);
    }
}

} // namespace
