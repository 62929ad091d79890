#include "framework/Elevation.h"

#include <gtest/gtest.h>

namespace {

struct RightsCase {
    const char* who;
    ProcessRights rights;
    RightsStep interactive; // a first run with a window
    RightsStep restarted;   // the run the restart started
    RightsStep silent;      // /S, with or without the restart's mark
};

// With an administrator's rights every run goes on. Without them the run the
// restart started offers the user's own rights, and a silent run is refused.
const RightsCase kCases[] = {
    {.who = "administrator, elevated",
     .rights = {.elevationType = TokenElevationTypeFull, .elevated = true, .uacEnabled = true},
     .interactive = RightsStep::Continue,
     .restarted = RightsStep::Continue,
     .silent = RightsStep::Continue},
    {.who = "administrator's double-click under UAC",
     .rights = {.elevationType = TokenElevationTypeLimited, .elevated = false, .uacEnabled = true},
     .interactive = RightsStep::Restart,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "standard user, UAC on",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = false, .uacEnabled = true},
     .interactive = RightsStep::Restart,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "standard user, UAC off",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = false, .uacEnabled = false},
     .interactive = RightsStep::OfferUserRights,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "administrator, UAC off; SYSTEM; the built-in Administrator",
     .rights = {.elevationType = TokenElevationTypeDefault, .elevated = true, .uacEnabled = false},
     .interactive = RightsStep::Continue,
     .restarted = RightsStep::Continue,
     .silent = RightsStep::Continue},
};

TEST(ElevationTest, TheTokenKindAndUacDecideWhetherToRestart) {
    for (const RightsCase& c : kCases) {
        SCOPED_TRACE(c.who);
        EXPECT_EQ(DecideRights(c.rights, false, false), c.interactive);
        EXPECT_EQ(DecideRights(c.rights, false, true), c.restarted);
        EXPECT_EQ(DecideRights(c.rights, true, false), c.silent);
        EXPECT_EQ(DecideRights(c.rights, true, true), c.silent);
    }
}

} // namespace
