#pragma once
// The offset and tab commands of the editor, with the rules that enable
// them. The window keeps an EditState (its mode and selection) and asks these
// functions whether a button is enabled and what a command does.

#include "plandor_doc.h"

namespace plandor {

enum class EditMode { Normal, Cut, Tab, Link };

struct EditState {
    EditMode mode = EditMode::Normal;
    int selectedCount = 0;  // polylines selected: 0..2 in cut mode, 0..1 otherwise
    int firstSelected = 0;
    int secondSelected = 0;
};

// The polyline the commands act on: exactly one selected and it is in the
// drawing; nullptr otherwise.
common::CPolyline* single_selection(CPlandorDoc& doc, const EditState& state);

// Offset left or right, and its removal: cut mode, one polyline selected and
// not linked; the removal also needs an offset contour.
bool can_offset(CPlandorDoc& doc, const EditState& state);
bool can_remove_offset(CPlandorDoc& doc, const EditState& state);

// Offsets the selected polyline on `side` by the document's cutter radius,
// discarding its tabs. False when not enabled, or with a French message when
// the polyline has fewer than 2 points.
[[nodiscard]] bool offset_selected(CPlandorDoc& doc, const EditState& state,
                                   common::OffsetSide side, std::string& error);
// False when not enabled.
[[nodiscard]] bool remove_offset_selected(CPlandorDoc& doc, const EditState& state);

// Adding a tab: tab mode and one polyline selected. Removing or moving one:
// tab mode, and the selected polyline is highlighted, has an offset contour
// and a tab on its selected segment.
bool can_add_tab(CPlandorDoc& doc, const EditState& state);
bool can_change_tab(CPlandorDoc& doc, const EditState& state);

// Places a tab of the document's width at the middle of the selected segment
// (or places the existing one again with that width).
common::TabOutcome add_tab(CPlandorDoc& doc, const EditState& state);
// False when not enabled.
[[nodiscard]] bool remove_tab(CPlandorDoc& doc, const EditState& state);
// Moves the tab of the selected segment by the document's tab step, towards
// the segment's end (`forward`) or its start; it takes the document's width.
common::TabOutcome move_tab(CPlandorDoc& doc, const EditState& state, bool forward);

}  // namespace plandor
