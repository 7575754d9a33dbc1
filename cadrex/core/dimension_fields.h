#pragma once
// The dimensions window's fields as typed, and what the window works out of
// them: the derived inner fields of the constant-thickness mode, the V depth
// and the proposed file name.

#include <cstdint>
#include <string>

#include "half_former.h"

namespace cadrex {

// The V positioning at the joints, the index of the chosen option.
enum PosVe : std::int16_t { kSans = 0, kMale = 1, kFemelle = 2 };

// The texts of the fields and the state of the options when the window opens.
struct DimensionFields {
    std::string xse = "60";
    std::string xie = "40";
    std::string ye = "40";
    std::string nse = "20";
    std::string nie = "20";
    std::string xsi = "50";
    std::string xii = "35";
    std::string yi = "35";
    std::string dec = "5";
    std::string nsi = "20";
    std::string nii = "20";
    bool ep_const = false;
    std::string ep = "6";
    std::int16_t pos_ve = kSans;
    std::string prof = "2";
    std::string prefnom = "Couple";
};

// A number written into a field: the shortest text that reads back as the
// same single-precision value, with a point ("54.5", ".5", "-3").
std::string field_text(float value);

// The constant-thickness mode: the inner heights and half-width become the
// outer ones minus the thickness, and the offset "0". A difference that is no
// finite single leaves its field as it was.
void derive_inner_fields(DimensionFields& fields);

struct TraceRequest {
    FormerDimensions dims;
    std::string nomfich;
};

// Reads every field as the window's button does: the dimensions, the signed
// V depth, and the file name (prefix, total height, half-width, thickness to
// one decimal, " m" or " f", ".dat"). The thickness is the typed one in the
// constant-thickness mode, the mean wall thickness otherwise. Refuses a value
// too large to compute, or a prefix with a path separator or "..", with a
// French message.
[[nodiscard]] bool trace_request(const DimensionFields& fields, TraceRequest& request,
                                 std::string& error);

// Whether the request read from `fields` is a former that can be cut: no
// negative height or half-width, walls that keep the inner contour inside
// the outer one (in the constant-thickness mode, a thickness within the outer
// dimensions), and no size beyond 10 m. False with a French message naming
// the refused value as typed. A total outer height of 0 is left to the
// outline, which refuses it with its own message.
[[nodiscard]] bool check_part(const DimensionFields& fields, const TraceRequest& request,
                              std::string& error);

}  // namespace cadrex
