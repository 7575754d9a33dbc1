#pragma once
// The .cmg project file: the five settings, every polyline with its offset
// contour, tabs and joined members, then the links of the cut order, as
// keyword lines ("POINT-X 12.500000 3"). The writer is cmg_writer.cpp, the
// reader cmg_reader.cpp.

#include <cstddef>
#include <string>
#include <string_view>

#include "plan_tables.h"

namespace plandor {

inline constexpr const char* kWrongVersionMessage = "Le fichier n'est pas de la bonne version";
// A plan file is read whole: larger ones are refused.
inline constexpr std::size_t kMaxPlanBytes = std::size_t{64} << 20;

class CCmgFile {
  public:
    CCmgFile() = default;
    CCmgFile(const CCmgFile&) = delete;
    CCmgFile& operator=(const CCmgFile&) = delete;
    virtual ~CCmgFile() = default;

    // The whole text of the file for these polylines and links.
    std::string text(const PlanTables& plan) const;

    // Writes the file through the atomic writer; false with a French message
    // when it cannot be saved (an existing file is then left as it was).
    [[nodiscard]] bool write(const std::string& path, const PlanTables& plan,
                             std::string& error) const;

    // Reads a file into `plan`, whose tables must be empty. Fails when the
    // file cannot be read (French message in `error`) or when its first line
    // is not "VERSION-CMG 1.2" (kWrongVersionMessage). A settings line with
    // another keyword leaves its setting as it was; the polyline list and
    // then the link list end at the first block that does not parse, or once
    // its table is full. A line whose number is not a finite number, or a
    // link to a polyline the file does not hold, refuses the whole file with
    // a French message naming the line. A refused file leaves `plan` empty.
    [[nodiscard]] bool read(const std::string& path, PlanTables& plan, std::string& error);
    [[nodiscard]] bool read_bytes(std::string_view bytes, PlanTables& plan, std::string& error);

    // The settings written, or read, in the file's order.
    int boardLength = 0;
    int boardWidth = 0;
    float tabStep = 0;
    float tabWidth = 0;
    float cutterRadius = 0;
    // 1 when the first line read carries the keyword VERSION-CMG, whatever
    // its number: the file is a plan, perhaps of another version.
    int versionLine = 0;
};

}  // namespace plandor
