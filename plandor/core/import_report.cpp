#include "import_report.h"

#include <algorithm>

#include "number_format.h"

namespace plandor {

namespace {

std::string kinds(const std::vector<common::EntityTally>& tally, bool read) {
    std::string out;
    for (const common::EntityTally& t : tally) {
        const int n = read ? t.read : t.passedOver;
        if (n > 0) {
            out += (out.empty() ? "" : ", ") + t.kind + " " + std::to_string(n);
        }
    }
    return out;
}

// "6 contours laissés", "7 entités laissées": `what` in the singular,
// `feminine` for its agreement.
std::string left_out_line(int n, const std::string& what, bool feminine) {
    const std::string plural = n > 1 ? "s" : "";
    return std::to_string(n) + " " + what + plural + " laissé" + (feminine ? "e" : "") + plural +
           " de côté : un document tient au plus 199 polylignes.\n";
}

// Contours simplified one by one up to this many; the rest in one line.
constexpr std::size_t kListedContours = 10;

}  // namespace

std::string french_decimal(double value, int decimals) {
    return pointfile::format_pattern(value, "#0." + std::string(std::clamp(decimals, 1, 6), '0'),
                                     ',');
}

std::string french_mm(double mm) {
    return french_decimal(mm, 2);
}

const char* unit_name(long long insunits) {
    switch (insunits) {
        case 1:
            return "pouces";
        case 2:
            return "pieds";
        case 3:
            return "miles";
        case 5:
            return "centimètres";
        case 6:
            return "mètres";
        case 7:
            return "kilomètres";
        case 8:
            return "micropouces";
        case 9:
            return "millièmes de pouce";
        case 10:
            return "yards";
        case 11:
            return "ångströms";
        case 12:
            return "nanomètres";
        case 13:
            return "micromètres";
        case 14:
            return "décimètres";
        case 15:
            return "décamètres";
        case 16:
            return "hectomètres";
        default:
            return nullptr;
    }
}

std::string tally_text(const std::vector<common::EntityTally>& tally) {
    const std::string read = kinds(tally, true);
    const std::string passed = kinds(tally, false);
    std::string out = "Entités lues : " + (read.empty() ? std::string("aucune") : read) + "\n";
    if (!passed.empty()) {
        out += "Entités ignorées : " + passed + "\n";
    }
    return out;
}

std::string command_line_text(const std::string& text) {
    const std::string menu = std::string("par ") + kCurveImportMenu;
    std::string out = text;
    for (size_t at = out.find(menu); at != std::string::npos; at = out.find(menu, at)) {
        out.replace(at, menu.size(), "avec l'option --curves");
    }
    return out;
}

std::string exact_import_report(const common::DxfImportReport& report, int polylines) {
    std::string out =
        std::to_string(polylines) + " polylignes importées\n" + tally_text(report.tally);
    for (int slot : report.cutPolylines) {
        out += "polyligne " + std::to_string(slot + 1) +
               " : coupée à 100 sommets, les suivants ne sont pas lus\n";
    }
    if (report.leftOut > 0) {
        out += left_out_line(report.leftOut, "entité", true);
    }
    if (!common::passed_over_curves(report).empty()) {
        out += std::string("Les courbes ignorées s'importent par ") + kCurveImportMenu + ".\n";
    }
    return out;
}

namespace {

// What a simplification that could not keep to its aim adds to its line.
std::string beyond_fit(double deviation) {
    return deviation > common::kFitToleranceMm
               ? " (plus de 0,02 mm : trop de détails pour " +
                     std::to_string(common::kMaxEntityVertices) + " points)"
               : "";
}

}  // namespace

std::string curve_import_report(const common::CurveImport& result, int first_slot) {
    int closed = 0;
    for (const common::CurveContour& c : result.contours) {
        closed += c.closed ? 1 : 0;
    }
    std::string out = std::to_string(result.contours.size()) + " contours importés (" +
                      std::to_string(closed) + " fermés)\n";
    if (const char* unit = unit_name(result.drawing.insunits)) {
        out += std::string("Unités du dessin : ") + unit + ", converties en mm\n";
    }
    out += tally_text(result.drawing.tally);
    std::size_t listed = 0;
    int others = 0;
    double others_worst = 0;
    for (std::size_t k = 0; k < result.contours.size(); ++k) {
        const common::CurveContour& c = result.contours[k];
        if (c.sourcePoints <= static_cast<int>(c.points.size())) {
            continue;
        }
        if (listed++ < kListedContours) {
            out += "contour " + std::to_string(first_slot + static_cast<int>(k) + 1) + " : " +
                   std::to_string(c.points.size()) + " points, écart maximal " +
                   french_mm(c.deviation) + " mm" + beyond_fit(c.deviation) + "\n";
        } else {
            ++others;
            others_worst = std::max(others_worst, c.deviation);
        }
    }
    if (others > 0) {
        out += "et " + std::to_string(others) + " autres contours simplifiés, écart maximal " +
               french_mm(others_worst) + " mm" + beyond_fit(others_worst) + "\n";
    }
    if (result.leftOut > 0) {
        out += left_out_line(result.leftOut, "contour", false);
    }
    if (const int empty = result.zeroLengthPieces; empty > 0) {
        out += std::to_string(empty) + (empty > 1 ? " pièces de longueur nulle ignorées.\n"
                                                  : " pièce de longueur nulle ignorée.\n");
    }
    if (const int far = result.drawing.outOfRange; far > 0) {
        out += std::to_string(far) + (far > 1 ? " pièces ignorées" : " pièce ignorée") +
               " : coordonnées au-delà d'un kilomètre de l'origine.\n";
    }
    if (result.drawing.tooLarge) {
        out += "Dessin trop grand : la lecture s'est arrêtée avant sa fin.\n";
    }
    return out;
}

}  // namespace plandor
