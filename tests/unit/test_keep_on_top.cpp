#include <gtest/gtest.h>

#include "platform/RuntimeError.h"
#include "tests/unit/LoadedCalendar.h"

TEST(KeepOnTop, PutsTheWindowInTheTopmostBandWithoutMovingOrSizingIt) {
    LoadedCalendar calendar;
    calendar.form.Form_Deactivate();
    calendar.form.Form_Deactivate();
    const std::string expected = "SetWindowPos " + std::to_string(calendar.platform.form.hWnd) + ",-1,0,0,0,0,3";
    EXPECT_EQ(calendar.CallsStartingWith({"SetWindowPos", "Me.Move", "Me.Left=", "Me.Top="}),
              (Strings{expected, expected}));
}

TEST(KeepOnTop, FailuresAreSwallowedAndLeaveNothingPending) {
    for (const char* failing : {"Me.hWnd", "SetWindowPos"}) {
        LoadedCalendar calendar;
        calendar.platform.failing[failing] = 5;
        EXPECT_NO_THROW(calendar.form.SetFormAtTop()) << failing;
        // Reading the handle and the call are one statement: no call with a
        // handle that could not be read.
        EXPECT_EQ(calendar.CallsStartingWith({"SetWindowPos"}).size(), std::string(failing) == "Me.hWnd" ? 0u : 1u);
        calendar.platform.failing.clear();
        int16_t key = 37, shift = 4;
        EXPECT_NO_THROW(calendar.form.Form_KeyDown(key, shift)) << "error lingered after " << failing;
    }
}

TEST(KeepOnTop, OtherHandlersDoNotSwallowErrors) {
    LoadedCalendar calendar;
    calendar.platform.failing["Me.Width"] = 5;
    int16_t key = 65, shift = 0;
    EXPECT_THROW(calendar.form.Form_KeyDown(key, shift), RuntimeError);
}
