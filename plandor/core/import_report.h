#pragma once
// The French reports of the two DXF imports: what was read, what was passed
// over, what had to be cut, simplified or left out. The window shows them in
// its message; the command line prints them.

#include <string>
#include <vector>

#include "dxf_contours.h"
#include "dxf_file.h"

namespace plandor {

inline constexpr const char* kCurveImportMenu =
    "« Fichier > Importer un dessin DXF (toutes courbes)… »";
inline constexpr const char* kExactImportMenu = "« Fichier > Import Dxf »";

// A report or refusal of the imports as the command line tells it: the
// curve import is named by its option rather than by the window's menu.
std::string command_line_text(const std::string& text);

// "Entités lues : LINE 4, ARC 2" and "Entités ignorées : TEXT 1", one line
// each, for the kinds that have any.
std::string tally_text(const std::vector<common::EntityTally>& tally);

// The report of the exact import; `first_slot` is the index of the first
// polyline it made (polylines are numbered from 1 in the text).
std::string exact_import_report(const common::DxfImportReport& report, int polylines);

// The report of the curve import; contour k of `result` became polyline
// `first_slot` + k.
std::string curve_import_report(const common::CurveImport& result, int first_slot);

// A number with `decimals` decimals (1 to 6) and a decimal comma, as a
// French text writes it ("86,2").
std::string french_decimal(double value, int decimals);

// A length in mm with two decimals and a decimal comma ("0,04").
std::string french_mm(double mm);

// The French name of a drawing's length unit ($INSUNITS), nullptr for
// millimetres, unitless drawings and units read as millimetres.
const char* unit_name(long long insunits);

}  // namespace plandor
