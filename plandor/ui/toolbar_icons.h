#pragma once
// The toolbar icons of Plandor, painted for this program: an outline in
// black, its contour in green, tabs as gaps, links in blue.

#include <QIcon>

namespace plandor {

enum class Icon {
    Cut,
    Copy,
    Paste,
    Print,
    ResetView,
    CutMode,
    Reverse,
    Join,
    Explode,
    OffsetLeft,
    OffsetRight,
    RemoveOffset,
    TabMode,
    AddTab,
    RemoveTab,
    TabNext,
    TabPrevious,
    LinkMode,
    RemoveLink,
};

QIcon toolbar_icon(Icon icon);

}  // namespace plandor
