#include "dimension_fields.h"

#include <cmath>
#include <tuple>
#include <utility>

#include "number_format.h"
#include "number_reading.h"
#include "save_file.h"

namespace cadrex {

using pointfile::leading_number;

std::string field_text(float value) {
    const std::string text = pointfile::signed_space(value);
    return text[0] == ' ' ? text.substr(1) : text;
}

void derive_inner_fields(DimensionFields& fields) {
    const double ep = leading_number(fields.ep);
    auto derive = [ep](const std::string& outer, std::string& inner) {
        const auto value = static_cast<float>(leading_number(outer) - ep);
        if (std::isfinite(value)) {
            inner = field_text(value);
        }
    };
    derive(fields.xse, fields.xsi);
    derive(fields.xie, fields.xii);
    derive(fields.ye, fields.yi);
    fields.dec = std::string(1, '0');  // not a literal: GCC 12 warns falsely (-Wrestrict)
}

bool trace_request(const DimensionFields& fields, TraceRequest& request, std::string& error) {
    FormerDimensions d;
    d.xse = leading_number(fields.xse);
    d.xie = leading_number(fields.xie);
    d.ye = leading_number(fields.ye);
    d.nse = leading_number(fields.nse);
    d.nie = leading_number(fields.nie);
    d.xsi = leading_number(fields.xsi);
    d.xii = leading_number(fields.xii);
    d.yi = leading_number(fields.yi);
    d.nsi = leading_number(fields.nsi);
    d.nii = leading_number(fields.nii);
    d.dec = leading_number(fields.dec);

    std::string suffix;
    switch (fields.pos_ve) {
        case kMale:
            d.prof = static_cast<float>(leading_number(fields.prof));
            suffix = " m";
            break;
        case kFemelle:
            d.prof = static_cast<float>(-leading_number(fields.prof));
            suffix = " f";
            break;
        default:
            d.prof = 0;
            break;
    }

    const double ep = fields.ep_const ? leading_number(fields.ep)
                                      : ((d.xse - d.xsi) + (d.xie - d.xii) + 2 * (d.ye - d.yi)) / 4;
    const double height = d.xse + d.xie;
    if (!std::isfinite(ep) || !std::isfinite(height) || !std::isfinite(d.ye) ||
        !std::isfinite(d.prof)) {
        error = "Une des dimensions est trop grande pour être calculée.";
        return false;
    }

    // The prefix names a file of the current folder, never one elsewhere.
    if (!platform::check_plain_name(fields.prefnom, error)) {
        return false;
    }

    // A total height of 0 is refused; when a height reads 0 for want of a
    // number, that is what the user is told.
    if (height == 0) {
        for (const auto& [text, caption] : {std::pair{&fields.xse, "La hauteur Xsup extérieure"},
                                            std::pair{&fields.xie, "La hauteur Xinf extérieure"}}) {
            if (!pointfile::begins_with_number(*text)) {
                error = std::string(caption) + " « " + *text + " » n'est pas un nombre.";
                return false;
            }
        }
    }

    request.dims = d;
    request.nomfich = fields.prefnom + pointfile::signed_space(height) + " -" +
                      pointfile::signed_space(d.ye) + " - e" +
                      pointfile::signed_space(pointfile::round_half_away(ep, 1)) + suffix + ".dat";
    return true;
}

bool check_part(const DimensionFields& fields, const TraceRequest& request, std::string& error) {
    const FormerDimensions& d = request.dims;
    if (d.xse + d.xie == 0) {
        return true;
    }
    const struct {
        const std::string& text;
        double value;
        const char* caption;
        bool signed_size;  // may be negative
        bool inner;        // derived from the thickness in the constant-thickness mode
    } sizes[] = {
        {fields.xse, d.xse, "La hauteur Xsup extérieure", false, false},
        {fields.xie, d.xie, "La hauteur Xinf extérieure", false, false},
        {fields.ye, d.ye, "La demi-largeur extérieure", false, false},
        {fields.ep, fields.ep_const ? leading_number(fields.ep) : 0, "L'épaisseur", false, false},
        {fields.xsi, d.xsi, "La hauteur Xsup intérieure", false, true},
        {fields.xii, d.xii, "La hauteur Xinf intérieure", false, true},
        {fields.yi, d.yi, "La demi-largeur intérieure", false, true},
        {fields.dec, d.dec, "Le décalage", true, true},
        {fields.prof, d.prof, "La profondeur du Vé", true, false},
    };
    for (const auto& s : sizes) {
        if (s.inner && fields.ep_const) {
            continue;
        }
        const std::string named = std::string(s.caption) + " « " + s.text + " »";
        if (std::fabs(s.value) > pointfile::kLargestPartMm) {
            error = named + " dépasse 10 m : ce n'est pas une pièce à découper.";
            return false;
        }
        if (!s.signed_size && s.value < 0) {
            error = named + " ne peut pas être négative.";
            return false;
        }
    }
    if (fields.ep_const) {
        const double ep = leading_number(fields.ep);
        for (const auto& [text, value, caption] :
             {std::tuple{&fields.ye, d.ye, "la demi-largeur extérieure"},
              std::tuple{&fields.xse, d.xse, "la hauteur Xsup extérieure"},
              std::tuple{&fields.xie, d.xie, "la hauteur Xinf extérieure"}}) {
            if (ep > value) {
                error = "L'épaisseur « " + fields.ep + " » est plus grande que " + caption + " « " +
                        *text + " » : le contour intérieur sortirait du couple.";
                return false;
            }
        }
        return true;
    }
    const DerivedValues v = derived_values(d);
    const struct {
        double wall;
        const char* where;
        std::string values;
    } walls[] = {
        {v.ep_haut, "en haut",
         "Xsup extérieure « " + fields.xse + " », Xsup intérieure « " + fields.xsi +
             " », décalage « " + fields.dec + " »"},
        {v.ep_bas, "en bas",
         "Xinf extérieure « " + fields.xie + " », Xinf intérieure « " + fields.xii +
             " », décalage « " + fields.dec + " »"},
        {d.ye - d.yi, "sur le côté",
         "demi-largeurs extérieure « " + fields.ye + " » et intérieure « " + fields.yi + " »"},
    };
    for (const auto& w : walls) {
        if (w.wall < 0) {
            error = std::string("Le contour intérieur dépasse le contour extérieur ") + w.where +
                    " (" + w.values + ") : ce n'est pas un couple.";
            return false;
        }
    }
    return true;
}

}  // namespace cadrex
