#pragma once
// The automatic plan of a whole drawing: every closed outline gets its
// contour (outside a part, inside a hole), its tabs and its link, in a cut
// order that takes every hole before the part around it and keeps the travel
// short. The result is an ordinary plan, made with the editor's own commands,
// that the user may edit further.

#include <string>
#include <vector>

#include "plandor_doc.h"
#include "settings_store.h"

namespace plandor {

inline constexpr int kMaxTabsPerOutline = 50;

struct PlanOptions {
    int tabsPerPart = 2;
    int tabsPerHole = 0;
    float cutSpeed = 2.0f;     // mm/s along the contours, for the time estimate
    float travelSpeed = 5.0f;  // mm/s along the links
};

struct PlanReport {
    bool done = false;  // false: refused, `error` says why and the document is unchanged
    std::string error;  // French
    int parts = 0;      // outlines inside an even number of others (none included)
    int holes = 0;      // outlines inside an odd number of others
    std::vector<int> openPolylines;  // polylines left without contour: not closed
    std::vector<int> holesTooSmall;  // holes without a contour the cutter can follow
    std::vector<int> partsGouged;    // parts whose contour would cut into them
    int pointsDropped = 0;  // points within 0.01 mm of the one before, left out of cut outlines
    int tabsAsked = 0;
    int tabsPlaced = 0;
    std::vector<int> shortOfTabs;  // outlines given fewer tabs than asked: too few long segments
    std::vector<int> withoutTabs;  // those of them given none
    double tabWidth = 0;           // mm: what a segment must exceed to hold a tab
    // The open polylines chain end to start into closed rings, across gaps no
    // wider than a tab: the drawing is a cut plan already, its contours split
    // at their tabs.
    bool cutPlan = false;
    int links = 0;
    double travelBefore = 0;  // mm: from the origin through the contours in drawing order
    double travelAfter = 0;   // mm: along the links made
    double cutLength = 0;     // mm of contour cut (tabs left out)
    double seconds = 0;       // estimated machine time, descents left out
};

// `options` with the machine's speeds for the time estimate: the cutting and
// travel speeds of the machine controller's settings, whole mm/s.
PlanOptions machine_speeds(const platform::SettingsStore& machine, PlanOptions options);

// Whether planning would replace what the user made: a link or a contour.
bool has_plan_to_replace(const CPlandorDoc& doc);

// Replaces every link and contour of the document by the automatic plan.
// Closed outlines (end on start within 0.01 mm) that may rotate get the start
// nearest to where the tool arrives. Refused, with nothing changed, for
// options out of range or a drawing with no outline that can be cut.
PlanReport plan_automatically(CPlandorDoc& doc, const PlanOptions& options);

// The report as the user reads it, one line per fact, in French.
std::string plan_report_text(const PlanReport& report, const PlanOptions& options);

}  // namespace plandor
