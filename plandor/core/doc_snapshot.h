#pragma once
// A full copy of a plan (settings, polylines with their members and tabs,
// links), so that an edit can be undone and redone exactly.

#include <memory>
#include <vector>

#include "plandor_doc.h"

namespace plandor {

struct DocSnapshot {
    float tabStep = 0;
    float tabWidth = 0;
    float cutterRadius = 0;
    int boardWidth = 0;
    int boardLength = 0;
    int contentLoaded = 0;
    std::vector<std::unique_ptr<common::CPolyline>> polylines;
    std::vector<CLiaison> links;
};

DocSnapshot take_snapshot(const CPlandorDoc& doc);

// Puts the plan of `snapshot` back into `doc`; the path and the view's
// requests are left as they are.
void restore_snapshot(CPlandorDoc& doc, const DocSnapshot& snapshot);

}  // namespace plandor
