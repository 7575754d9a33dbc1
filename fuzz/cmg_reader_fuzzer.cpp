// Feeds arbitrary bytes to the .cmg project reader: every input must end
// cleanly with every count inside its table, and whatever was read must write
// and read back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "cmg_file.h"

namespace {

bool within_tables(const common::CPolyline& p, int depth) {
    if (p.nbPoints < 0 || p.nbPoints > common::kPointSlots || p.nbMembers < 0 ||
        p.nbMembers > common::kMaxMembers || depth > common::kMaxPolylines) {
        return false;
    }
    if (p.nbOffsetPoints != 0 &&
        (p.nbOffsetPoints != p.nbPoints ||
         (p.detourage != common::OffsetSide::left && p.detourage != common::OffsetSide::right))) {
        return false;
    }
    for (int m = 0; m < p.nbMembers; ++m) {
        if (!p.members[static_cast<size_t>(m)] ||
            !within_tables(*p.members[static_cast<size_t>(m)], depth + 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto plan = std::make_unique<plandor::PlanTables>();
    plan->polylineCount = -1;
    plan->linkCount = -1;
    std::string error;
    plandor::CCmgFile cmg;
    if (!cmg.read_bytes(bytes, *plan, error)) {
        if (plan->polylineCount != 0 || plan->linkCount != 0 || error.empty()) {
            std::abort();
        }
        return 0;
    }
    const int count = plan->polylineCount;
    if (count < 0 || count > common::kMaxPolylines || plan->linkCount < 0 ||
        plan->linkCount > plandor::kMaxLinks) {
        std::abort();
    }
    for (int i = 0; i < count; ++i) {
        if (!plan->polylines[static_cast<size_t>(i)] ||
            !within_tables(*plan->polylines[static_cast<size_t>(i)], 0)) {
            std::abort();
        }
    }
    // What was read is written whole and reads back to the same file.
    const std::string text = cmg.text(*plan);
    auto again = std::make_unique<plandor::PlanTables>();
    plandor::CCmgFile second;
    if (!second.read_bytes(text, *again, error) || again->polylineCount != count ||
        again->linkCount != plan->linkCount || second.text(*again) != text) {
        std::abort();
    }
    return 0;
}
