#include "edit_commands.h"

namespace plandor {

using common::CPolyline;
using common::TabOutcome;

CPolyline* single_selection(CPlandorDoc& doc, const EditState& state) {
    if (state.selectedCount != 1 || state.firstSelected < 0 ||
        state.firstSelected >= doc.polylineCount) {
        return nullptr;
    }
    return doc.polylines[static_cast<size_t>(state.firstSelected)].get();
}

bool can_offset(CPlandorDoc& doc, const EditState& state) {
    const CPolyline* p = single_selection(doc, state);
    return state.mode == EditMode::Cut && p != nullptr && !p->is_linked();
}

bool can_remove_offset(CPlandorDoc& doc, const EditState& state) {
    return can_offset(doc, state) && single_selection(doc, state)->nbOffsetPoints > 0;
}

bool offset_selected(CPlandorDoc& doc, const EditState& state, common::OffsetSide side,
                     std::string& error) {
    if (!can_offset(doc, state)) {
        return false;
    }
    return single_selection(doc, state)->offset(side, doc.cutterRadius, true, error);
}

bool remove_offset_selected(CPlandorDoc& doc, const EditState& state) {
    if (!can_remove_offset(doc, state)) {
        return false;
    }
    single_selection(doc, state)->remove_offset();
    return true;
}

bool can_add_tab(CPlandorDoc& doc, const EditState& state) {
    return state.mode == EditMode::Tab && single_selection(doc, state) != nullptr;
}

bool can_change_tab(CPlandorDoc& doc, const EditState& state) {
    const CPolyline* p = single_selection(doc, state);
    return state.mode == EditMode::Tab && p != nullptr && p->nbOffsetPoints > 0 &&
           p->selected() == 1 && p->has_tab(p->selectedSegment);
}

TabOutcome add_tab(CPlandorDoc& doc, const EditState& state) {
    if (!can_add_tab(doc, state)) {
        return TabOutcome::Invalid;
    }
    CPolyline& p = *single_selection(doc, state);
    return p.place_tab(p.selectedSegment, doc.tabWidth, 0);
}

bool remove_tab(CPlandorDoc& doc, const EditState& state) {
    if (!can_change_tab(doc, state)) {
        return false;
    }
    CPolyline& p = *single_selection(doc, state);
    return p.remove_tab(p.selectedSegment);
}

TabOutcome move_tab(CPlandorDoc& doc, const EditState& state, bool forward) {
    if (!can_change_tab(doc, state)) {
        return TabOutcome::Invalid;
    }
    CPolyline& p = *single_selection(doc, state);
    return p.place_tab(p.selectedSegment, doc.tabWidth, forward ? doc.tabStep : -doc.tabStep);
}

}  // namespace plandor
