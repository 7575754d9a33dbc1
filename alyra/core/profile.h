#pragma once
// Aerofoil profiles: the point tables of 1000 points with their count, the
// point-file reader (an optional title line, then "x y" pairs read as list
// items) and the writer of a computed profile.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace alyra {

inline constexpr int kMaxPoints = 1000;

// The placeholder of a profile text box while no profile was chosen.
inline constexpr std::string_view kPasDeProfil = "<-- Sélectionner";

// Points (x, y) in slots 0 .. nb_pts - 1. Slots above the count may hold old
// values; nothing reads them.
struct PointTable {
    std::array<double, kMaxPoints> x{};
    std::array<double, kMaxPoints> y{};
    std::int16_t nb_pts = 0;

    // Appends a point; false when the table is full.
    bool add(double px, double py);
};

// The start-up profile: (1, 0), (0, 0), (1, 0).
PointTable placeholder_profile();

// A profile read from a point file and the caption of its label: the title
// line when the file has one, else the file name.
struct LoadedProfile {
    PointTable points;
    std::string label;
};

// Reads the bytes of a point file named `file_name`. The first two items
// decide: when the first one's leading number is exactly 1 the file has no
// title and starts with its first point; otherwise its whole first line is
// the title. A file without a point, with an item that is not a number, with
// an unpaired last number or with more than 1000 points is refused with a
// French message and `out` is left unchanged.
[[nodiscard]] bool read_profile(std::string_view bytes, const std::string& file_name,
                                LoadedProfile& out, std::string& error);

// Reads the point file at `path` (see read_profile).
[[nodiscard]] bool load_profile_file(const std::string& path, LoadedProfile& out,
                                     std::string& error);

// The bytes of a computed profile's point file: `title`, then one line per
// point, x = -X'/C and y = (Y - href)/C with C the profile's own X' extent,
// each "#0.00000" with `decimal_sep` forced to "."; lines end CR LF. Refused
// when the profile has no extent.
[[nodiscard]] bool profile_file_text(const std::string& title, const PointTable& profile,
                                     double href, char decimal_sep, std::string& text,
                                     std::string& error);

}  // namespace alyra
