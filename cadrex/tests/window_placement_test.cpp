#include "window_placement.h"

#include <gtest/gtest.h>

using cadrex::keep_inside;
using cadrex::place_beside;
using cadrex::place_pair;
using cadrex::ScreenRect;

namespace {

// The two windows' frames as a window manager draws them.
constexpr int kWidth = 494;
constexpr int kHeight = 350;
constexpr int kGap = 8;
constexpr ScreenRect kDesk{0, 0, 1280, 800};

}  // namespace

TEST(WindowPlacement, BesideTheAnchorWhereItFitsElseOnTheScreen) {
    struct Case {
        const char* what;
        ScreenRect screen;
        ScreenRect anchor;
        ScreenRect expected;
    };
    const Case cases[] = {
        {"to the right", kDesk, {2, 154, 465, 492}, {475, 154, kWidth, kHeight}},
        {"before the window manager has placed the anchor",
         kDesk,
         {0, 0, 465, 492},
         {473, 0, kWidth, kHeight}},
        {"to the left near the right edge",
         kDesk,
         {800, 100, 465, 492},
         {298, 100, kWidth, kHeight}},
        {"slid up along the anchor's side",
         kDesk,
         {100, 500, 465, 292},
         {573, 450, kWidth, kHeight}},
        {"below when neither side has room",
         {0, 0, 1000, 1000},
         {300, 0, 465, 400},
         {300, 408, kWidth, kHeight}},
        {"on a second screen with a panel",
         {1280, 30, 1024, 738},
         {1300, 40, 465, 492},
         {1773, 40, kWidth, kHeight}},
        {"a screen too small for the two: on it, over the anchor",
         {0, 0, 800, 600},
         {0, 0, 465, 492},
         {306, 0, kWidth, kHeight}},
        {"a screen smaller than the window: its top-left on the screen",
         {10, 20, 400, 300},
         {10, 20, 300, 200},
         {10, 20, kWidth, kHeight}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(place_beside(c.screen, c.anchor, kWidth, kHeight, kGap), c.expected) << c.what;
    }
}

TEST(WindowPlacement, AtStartUpTheAnchorMovesOverToMakeRoom) {
    struct Case {
        const char* what;
        ScreenRect screen;
        ScreenRect anchor;
        ScreenRect anchor_after;
        ScreenRect window;
    };
    const Case cases[] = {
        {"room beside: nothing moves",
         kDesk,
         {2, 154, 465, 492},
         {2, 154, 465, 492},
         {475, 154, kWidth, kHeight}},
        {"centred anchor: moved left for the two side by side",
         kDesk,
         {407, 154, 465, 492},
         {313, 154, 465, 492},
         {786, 154, kWidth, kHeight}},
        {"narrow and tall screen: moved up for one above the other",
         {0, 0, 600, 1000},
         {60, 300, 465, 492},
         {60, 150, 465, 492},
         {60, 650, kWidth, kHeight}},
        {"anchor partly off the screen: brought back",
         kDesk,
         {-30, -20, 465, 492},
         {0, 0, 465, 492},
         {473, 0, kWidth, kHeight}},
        {"too small for the two: the anchor stays, the window lies over it",
         {0, 0, 800, 600},
         {100, 50, 465, 492},
         {100, 50, 465, 492},
         {306, 50, kWidth, kHeight}},
    };
    for (const Case& c : cases) {
        const auto both = place_pair(c.screen, c.anchor, kWidth, kHeight, kGap);
        EXPECT_EQ(both.anchor, c.anchor_after) << c.what;
        EXPECT_EQ(both.window, c.window) << c.what;
    }
    EXPECT_EQ(keep_inside(kDesk, {1000, 700, 465, 492}), (ScreenRect{815, 308, 465, 492}));
}
