#pragma once
// The editor's modes, selection and commands, as the window's buttons, menu
// items, clicks and keys reach them: which command is enabled or checked,
// what a click selects in each mode and what a key stands for.

#include <optional>
#include <string>

#include "edit_commands.h"
#include "link_editor.h"
#include "plandor_doc.h"

namespace plandor {

enum class Command {
    ResetView,
    CutModeButton,  // the toolbar buttons toggle their mode
    TabModeButton,
    LinkModeButton,
    CutModeMenu,  // the menu items select theirs
    TabModeMenu,
    LinkModeMenu,
    NormalMode,
    Reverse,
    Join,
    Explode,
    OffsetLeft,
    OffsetRight,
    RemoveOffset,
    AddTab,
    RemoveTab,
    TabNext,
    TabPrevious,
    RemoveLink,
    ImportDxf,
    ExportDxf,
    ExportGcode,  // enabled exactly as ExportDxf
    Preferences,
    GcodePreferences,
};

enum class Key { PageUp, PageDown, Left, Right, Delete, G };

class Editor {
  public:
    explicit Editor(CPlandorDoc& doc) : doc(doc) {}

    bool enabled(Command command) const;
    // A mode's button is pressed and its menu item checked while it is on.
    bool checked(Command command) const;

    // Runs a mode or edit command of the view (not the file commands nor the
    // preferences). True when the plan changed; `error` says in French why
    // an enabled command was refused.
    bool run(Command command, std::string& error);

    // The command a key stands for now (zoom keys excepted), if any.
    std::optional<Command> key_command(Key key) const;

    // A left click at a mouse offset from the origin, in logical units. In
    // link mode the answer says what the link editor did (a made link is a
    // change of the plan); in the other modes it is NothingSelected.
    ClickAnswer click(int offset_x, int offset_y, float zoom, bool ctrl);

    // The document was emptied or opened: every mode off, nothing selected.
    void document_replaced();
    // The document was put back to an earlier state (undo, redo): the mode
    // stays, nothing is selected any more.
    void document_restored();

    CPlandorDoc& doc;
    EditState state;
    LinkEditor linker;
    int polylineCursor = 0;  // round-robin start of the hit tests

  private:
    void set_mode(EditMode mode);
    void deselect();
    void cut_click(int offset_x, int offset_y, float zoom, bool ctrl);
    void tab_click(int offset_x, int offset_y, float zoom);
    common::CPolyline* polyline(int index) const;
    bool two_unlinked_selected() const;
};

}  // namespace plandor
