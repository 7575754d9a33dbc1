#include "editor.h"

#include <gtest/gtest.h>

#include "cmg_file.h"
#include "doc_snapshot.h"
#include "preferences.h"
#include "sample_plan.h"
#include "view_state.h"

using common::CPolyline;
using common::Point3;
using plandor::Command;
using plandor::EditMode;
using plandor::Key;

namespace {

std::string text_of(const plandor::CPlandorDoc& doc) {
    return plandor::CCmgFile().text(doc);
}

}  // namespace

TEST(ViewState, LogicalUnitsAndPositionText) {
    struct Case {
        float x, y, zoom;
        common::LogicalPoint expected;
    } cases[] = {
        {100, 50, 0.25f, {1250, -18875}},
        {0, 0, 0.25f, {1000, -19000}},
        {-10.07f, -3.33f, 1.0f, {900, -19033}},  // truncated toward zero
        {1e30f, -1e30f, 1.0f, {2000001000, -2000019000}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(common::logical_point(c.x, c.y, c.zoom), c.expected) << c.x;
    }
    EXPECT_EQ(plandor::position_text(1000, -55, 0.25f), "X=+0400.00mm    Y=-0022.00mm");
    EXPECT_EQ(plandor::position_text(0, 3, 1.0f), "X=+0000.00mm    Y=+0000.30mm");

    const plandor::ScreenMetrics screen{340, 270, 1280, 1024};
    EXPECT_EQ(screen.units_x(1280), 3400);
    EXPECT_EQ(screen.units_x(3), 7);  // 10.2 truncated
    EXPECT_EQ(plandor::mouse_offset(screen, 400, 100, 0, 7000), (common::LogicalPoint{62, 280}));
}

TEST(ViewState, ZoomStepsKeepTheMousePointAndLimitZoomingIn) {
    plandor::ViewState v;
    v.reset(3000, 2000);
    EXPECT_EQ(v.halfWidth, 1500);
    EXPECT_EQ(v.scroll_corner(), (common::LogicalPoint{-500, -18000}));
    v.mouse_moved(101, -33);
    for (int step = 0; step < 3; ++step) {
        ASSERT_TRUE(v.zoom_step(true, 700, 400));
    }
    EXPECT_EQ(v.zoom, 0.84375f);
    EXPECT_EQ(v.rememberedX, 339);   // 101 -> 151 -> 226 -> 339
    EXPECT_EQ(v.rememberedY, -109);  // -33 -> -49 -> -73 -> -109
    EXPECT_EQ(v.scroll_corner(), (common::LogicalPoint{339 - 700 + 1000, -109 + 400 - 19000}));
    v.mouse_moved(0, 0);
    EXPECT_EQ(v.rememberedX, 339) << "a zoom waits for its paint";

    struct Limit {
        int x, y;
        bool zooms_in;
    } limits[] = {{9499, -499, true}, {9500, 0, false}, {0, -500, false}, {-499, 9499, true}};
    for (const Limit& l : limits) {
        plandor::ViewState w;
        w.mouse_moved(l.x, l.y);
        EXPECT_EQ(w.zoom_step(true, 0, 0), l.zooms_in) << l.x << " " << l.y;
        EXPECT_EQ(w.zoom, l.zooms_in ? 0.375f : 0.25f);
        ASSERT_TRUE(w.zoom_step(false, 0, 0));
        EXPECT_EQ(w.rememberedX, (l.zooms_in ? static_cast<int>(l.x * 1.5) : l.x) * 2 / 3);
    }
}

TEST(Editor, EnablingFollowsModeSelectionAndLinks) {
    platform::MemorySettingsStore store;
    plandor::CPlandorDoc doc(store);
    sample_plan::fill(doc);  // 0 linked, 1 linked, 2 a group, 3 without contour
    doc.contentLoaded = 1;
    plandor::Editor editor(doc);
    std::string error;
    EXPECT_FALSE(editor.enabled(Command::Reverse));
    editor.run(Command::CutModeButton, error);
    EXPECT_TRUE(editor.checked(Command::CutModeMenu));

    struct Case {
        int count, first, second;
        bool reverse, join, explode, remove_offset;
    } cases[] = {
        {1, 2, 0, true, false, true, false},   {1, 0, 0, false, false, false, false},
        {1, 3, 0, true, false, false, false},  {2, 2, 3, false, true, false, false},
        {2, 2, 0, false, false, false, false}, {1, 9, 0, false, false, false, false},
    };
    for (const Case& c : cases) {
        editor.state.selectedCount = c.count;
        editor.state.firstSelected = c.first;
        editor.state.secondSelected = c.second;
        EXPECT_EQ(editor.enabled(Command::Reverse), c.reverse) << c.first;
        EXPECT_EQ(editor.enabled(Command::Join), c.join) << c.first << c.second;
        EXPECT_EQ(editor.enabled(Command::Explode), c.explode) << c.first;
        EXPECT_EQ(editor.enabled(Command::RemoveOffset), c.remove_offset) << c.first;
        EXPECT_EQ(editor.key_command(Key::G).has_value(), c.join);
        EXPECT_EQ(editor.key_command(Key::Left).has_value(), c.reverse);
    }

    // A button toggles its mode off, a menu item only selects it.
    editor.run(Command::CutModeButton, error);
    EXPECT_TRUE(editor.checked(Command::NormalMode));
    EXPECT_EQ(editor.state.selectedCount, 0);
    editor.run(Command::TabModeMenu, error);
    editor.run(Command::TabModeMenu, error);
    EXPECT_TRUE(editor.checked(Command::TabModeButton));

    // Delete removes a link in link mode when no contour removal applies.
    editor.run(Command::LinkModeButton, error);
    EXPECT_FALSE(editor.key_command(Key::Delete).has_value());
    editor.linker.selectedLink = 0;
    EXPECT_EQ(editor.key_command(Key::Delete), Command::RemoveLink);
    EXPECT_TRUE(editor.enabled(Command::ExportDxf));
    EXPECT_FALSE(editor.enabled(Command::ImportDxf));
}

TEST(Editor, SnapshotsGiveBackTheWholePlan) {
    platform::MemorySettingsStore store;
    plandor::CPlandorDoc doc(store);
    sample_plan::fill(doc);
    const std::string before = text_of(doc);
    const plandor::DocSnapshot snapshot = plandor::take_snapshot(doc);

    std::string error;
    ASSERT_EQ(doc.explode_polyline(2, error), 1) << error;
    doc.polylines[0]->tabs[2]->x1 = 99;
    doc.cutterRadius = 4;
    doc.links[0].reset();
    doc.linkCount = 0;
    plandor::restore_snapshot(doc, snapshot);
    EXPECT_EQ(text_of(doc), before);
    EXPECT_EQ(doc.cutterRadius, 1.5f);
    EXPECT_EQ(doc.polylines[0]->points[1].z, 0.5f) << "z is kept too";

    plandor::restore_snapshot(doc, snapshot);  // the snapshot is not consumed
    EXPECT_EQ(text_of(doc), before);
}

TEST(Preferences, FieldsAreReadAsTheDialogReadsThem) {
    struct Case {
        const char* text;
        plandor::PreferenceRange range;
        const char* message;  // nullptr: accepted
        double value;
    } cases[] = {
        {"2,5", plandor::kRadiusRange, "Tapez un nombre.", 0},
        {"abc", plandor::kRadiusRange, "Tapez un nombre.", 0},
        {"", plandor::kTabStepRange, "Tapez un nombre.", 0},
        {" 2.5 ", plandor::kRadiusRange, nullptr, 2.5},
        {"0", plandor::kRadiusRange, nullptr, 0},
        {"5.01", plandor::kRadiusRange, "Tapez un nombre compris entre 0 et 5.", 0},
        {"11", plandor::kTabWidthRange, "Tapez un nombre compris entre 2 et 10.", 0},
        {"1e1", plandor::kTabStepRange, nullptr, 10},
        {"inf", plandor::kTabStepRange, "Tapez un nombre.", 0},
        {"250.5", plandor::kBoardRange, "Tapez un nombre entier.", 0},
        {"5000", plandor::kBoardRange, "Tapez un nombre entier compris entre 10 et 1000.", 0},
        {"+300", plandor::kBoardRange, nullptr, 300},
    };
    for (const Case& c : cases) {
        double value = -1;
        std::string message;
        EXPECT_EQ(plandor::read_preference(c.text, c.range, value, message), c.message == nullptr)
            << c.text;
        EXPECT_EQ(message, c.message == nullptr ? "" : c.message) << c.text;
        if (c.message == nullptr) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(plandor::preference_text(2.3f), "2.3");

    platform::MemorySettingsStore store;
    plandor::CPlandorDoc doc(store);
    plandor::apply_preferences(doc, {2.3f, 2.5f, 10.0f, 250, 1000}, store);
    EXPECT_EQ(store.read_int("FRAISE", "TAILLE", 0), 230);
    EXPECT_EQ(store.read_int("ATTACHE", "TAILLE", 0), 250);
    EXPECT_EQ(store.read_int("ATTACHE", "DEPLACEMENT", 0), 1000);
    EXPECT_EQ(store.read_int("PLANCHE", "LARGEUR", 0), 250);
    plandor::CPlandorDoc again(store);
    EXPECT_EQ(plandor::current_preferences(again),
              (plandor::Preferences{2.3f, 2.5f, 10, 250, 1000}));
}
