#include "editor.h"

namespace plandor {

using common::CPolyline;
using common::TabOutcome;

namespace {

int advanced(int cursor, int count) {
    return cursor + 1 >= count ? 0 : cursor + 1;
}

bool tab_changed(TabOutcome outcome) {
    return outcome == TabOutcome::Stored || outcome == TabOutcome::Removed;
}

}  // namespace

CPolyline* Editor::polyline(int index) const {
    if (index < 0 || index >= doc.polylineCount) {
        return nullptr;
    }
    return doc.polylines[static_cast<size_t>(index)].get();
}

bool Editor::two_unlinked_selected() const {
    const CPolyline* first = polyline(state.firstSelected);
    const CPolyline* second = polyline(state.secondSelected);
    return state.mode == EditMode::Cut && state.selectedCount == 2 && first != nullptr &&
           second != nullptr && first != second && !first->is_linked() && !second->is_linked();
}

bool Editor::enabled(Command command) const {
    CPlandorDoc& d = doc;
    switch (command) {
        case Command::Reverse:
        case Command::OffsetLeft:
        case Command::OffsetRight:
            return can_offset(d, state);
        case Command::Join:
            return two_unlinked_selected();
        case Command::Explode:
            return can_offset(d, state) && single_selection(d, state)->nbMembers > 0;
        case Command::RemoveOffset:
            return can_remove_offset(d, state);
        case Command::AddTab:
            return can_add_tab(d, state);
        case Command::RemoveTab:
        case Command::TabNext:
        case Command::TabPrevious:
            return can_change_tab(d, state);
        case Command::RemoveLink:
            return state.mode == EditMode::Link && linker.can_remove_link(doc);
        case Command::ImportDxf:
            return doc.contentLoaded == 0;
        case Command::ExportDxf:
        case Command::ExportGcode:
            return doc.linkCount > 0;
        default:
            return true;
    }
}

bool Editor::checked(Command command) const {
    switch (command) {
        case Command::CutModeButton:
        case Command::CutModeMenu:
            return state.mode == EditMode::Cut;
        case Command::TabModeButton:
        case Command::TabModeMenu:
            return state.mode == EditMode::Tab;
        case Command::LinkModeButton:
        case Command::LinkModeMenu:
            return state.mode == EditMode::Link;
        case Command::NormalMode:
            return state.mode == EditMode::Normal;
        default:
            return false;
    }
}

void Editor::deselect() {
    doc.deselect_all();
    state.selectedCount = 0;
}

void Editor::set_mode(EditMode mode) {
    state.mode = mode;
    deselect();
    linker.selectedLink = -1;
}

bool Editor::run(Command command, std::string& error) {
    const auto toggled = [this](EditMode mode) {
        return state.mode == mode ? EditMode::Normal : mode;
    };
    if (!enabled(command)) {
        return false;
    }
    switch (command) {
        case Command::CutModeButton:
            set_mode(toggled(EditMode::Cut));
            return false;
        case Command::TabModeButton:
            set_mode(toggled(EditMode::Tab));
            return false;
        case Command::LinkModeButton:
            set_mode(toggled(EditMode::Link));
            linker.switch_on(doc, true);
            return false;
        case Command::CutModeMenu:
            set_mode(EditMode::Cut);
            return false;
        case Command::TabModeMenu:
            set_mode(EditMode::Tab);
            return false;
        case Command::LinkModeMenu:
            set_mode(EditMode::Link);
            linker.switch_on(doc, false);
            return false;
        case Command::NormalMode:
            set_mode(EditMode::Normal);
            return false;
        case Command::Reverse:
            single_selection(doc, state)->reverse();
            return true;
        case Command::Join: {
            int joined = 0;
            if (!doc.join_polylines(state.firstSelected, state.secondSelected, error, &joined)) {
                return false;
            }
            state = {EditMode::Cut, 1, joined, 0};
            polylineCursor = 0;
            return true;
        }
        case Command::Explode:
            return doc.explode_polyline(state.firstSelected, error);
        case Command::OffsetLeft:
        case Command::OffsetRight:
            return offset_selected(doc, state,
                                   command == Command::OffsetLeft ? common::OffsetSide::left
                                                                  : common::OffsetSide::right,
                                   error);
        case Command::RemoveOffset:
            return remove_offset_selected(doc, state);
        case Command::AddTab:
            return tab_changed(add_tab(doc, state));
        case Command::RemoveTab:
            return remove_tab(doc, state);
        case Command::TabNext:
        case Command::TabPrevious:
            return tab_changed(move_tab(doc, state, command == Command::TabNext));
        case Command::RemoveLink:
            return linker.remove_selected_link(doc);
        default:
            return false;
    }
}

std::optional<Command> Editor::key_command(Key key) const {
    switch (key) {
        case Key::Left:
            return enabled(Command::OffsetLeft) ? std::optional(Command::OffsetLeft) : std::nullopt;
        case Key::Right:
            return enabled(Command::OffsetRight) ? std::optional(Command::OffsetRight)
                                                 : std::nullopt;
        case Key::Delete:
            if (enabled(Command::RemoveOffset)) {
                return Command::RemoveOffset;
            }
            return enabled(Command::RemoveLink) ? std::optional(Command::RemoveLink) : std::nullopt;
        case Key::G:
            return enabled(Command::Join) ? std::optional(Command::Join) : std::nullopt;
        default:
            return std::nullopt;
    }
}

ClickAnswer Editor::click(int offset_x, int offset_y, float zoom, bool ctrl) {
    switch (state.mode) {
        case EditMode::Cut:
            cut_click(offset_x, offset_y, zoom, ctrl);
            break;
        case EditMode::Tab:
            tab_click(offset_x, offset_y, zoom);
            break;
        case EditMode::Link:
            return linker.click(doc, offset_x * 0.1 / zoom, offset_y * 0.1 / zoom, zoom);
        case EditMode::Normal:
            break;
    }
    return {};
}

void Editor::cut_click(int offset_x, int offset_y, float zoom, bool ctrl) {
    const int count = doc.polylineCount;
    if (polylineCursor >= count) {
        polylineCursor = 0;
    }
    int hit = -1;
    for (int tried = 0; tried < count && hit < 0; ++tried) {
        if (polyline(polylineCursor)->hit_test(false, offset_x, offset_y, zoom) != 0) {
            hit = polylineCursor;
        } else {
            polylineCursor = advanced(polylineCursor, count);
        }
    }
    if (hit < 0) {
        return;
    }
    CPolyline& h = *polyline(hit);
    if (h.selected() != 0) {
        h.set_selected(0);
        if (state.selectedCount == 2 && hit == state.firstSelected) {
            state.firstSelected = state.secondSelected;
        }
        state.selectedCount = state.selectedCount > 0 ? state.selectedCount - 1 : 0;
        polylineCursor = advanced(polylineCursor, count);
    } else if (state.selectedCount == 1 && ctrl) {
        h.set_selected(1);
        state.secondSelected = hit;
        state.selectedCount = 2;
    } else if (state.selectedCount == 0 || !ctrl) {
        deselect();
        h.set_selected(1);
        state.firstSelected = hit;
        state.selectedCount = 1;
    }
}

void Editor::tab_click(int offset_x, int offset_y, float zoom) {
    const int count = doc.polylineCount;
    doc.deselect_all();
    polylineCursor = advanced(polylineCursor, count);
    for (int tried = 0; tried < count; ++tried) {
        CPolyline& p = *polyline(polylineCursor);
        if (p.hit_test(true, offset_x, offset_y, zoom) != 0) {
            p.set_selected(1);
            state.selectedCount = 1;
            state.firstSelected = polylineCursor;
            return;
        }
        polylineCursor = advanced(polylineCursor, count);
    }
}

void Editor::document_replaced() {
    set_mode(EditMode::Normal);
    linker.document_replaced(doc);
    polylineCursor = 0;
}

void Editor::document_restored() {
    deselect();
    linker.document_replaced(doc);
    polylineCursor = 0;
}

}  // namespace plandor
