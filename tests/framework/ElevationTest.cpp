#include "framework/Elevation.h"

#include <gtest/gtest.h>

namespace {

struct RightsCase {
    const char* who;
    TOKEN_ELEVATION_TYPE type;
    bool elevated;
    bool uacEnabled;
    RightsStep interactive; // a first run with a window
    RightsStep restarted;   // the run the restart started
    RightsStep silent;      // /S
};

const RightsCase kCases[] = {
    {.who = "administrator, elevated",
     .type = TokenElevationTypeFull,
     .elevated = true,
     .uacEnabled = true,
     .interactive = RightsStep::Continue,
     .restarted = RightsStep::Continue,
     .silent = RightsStep::Continue},
    {.who = "administrator's double-click under UAC",
     .type = TokenElevationTypeLimited,
     .elevated = false,
     .uacEnabled = true,
     .interactive = RightsStep::Restart,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "standard user, UAC on",
     .type = TokenElevationTypeDefault,
     .elevated = false,
     .uacEnabled = true,
     .interactive = RightsStep::Restart,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "standard user, UAC off",
     .type = TokenElevationTypeDefault,
     .elevated = false,
     .uacEnabled = false,
     .interactive = RightsStep::OfferUserRights,
     .restarted = RightsStep::OfferUserRights,
     .silent = RightsStep::RefuseSilent},
    {.who = "administrator, UAC off; SYSTEM; the built-in Administrator",
     .type = TokenElevationTypeDefault,
     .elevated = true,
     .uacEnabled = false,
     .interactive = RightsStep::Continue,
     .restarted = RightsStep::Continue,
     .silent = RightsStep::Continue},
};

TEST(ElevationTest, TheTokenKindAndUacDecideWhetherToRestart) {
    for (const RightsCase& c : kCases) {
        SCOPED_TRACE(c.who);
        const ProcessRights rights{
            .elevationType = c.type, .elevated = c.elevated, .uacEnabled = c.uacEnabled};
        EXPECT_EQ(DecideRights(rights, false, false), c.interactive);
        EXPECT_EQ(DecideRights(rights, false, true), c.restarted);
        EXPECT_EQ(DecideRights(rights, true, false), c.silent);
        EXPECT_EQ(DecideRights(rights, true, true), c.silent);
    }
}

} // namespace
