// Feeds arbitrary bytes to the .cmg project reader: every input must end
// cleanly with every count inside its table, and whatever was read must write
// and read back to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
        (p.nbOffsetPoints != p.nbPoints || p.detourage < 1 || p.detourage > 2)) {
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
    common::PolylineArray polylines;
    plandor::LinkArray links;
    int count = -1;
    int link_count = -1;
    std::string error;
    plandor::CCmgFile cmg;
    if (!cmg.read_bytes(bytes, polylines, count, links, link_count, error)) {
        if (count != 0 || link_count != 0 || error.empty()) {
            std::abort();
        }
        return 0;
    }
    if (count < 0 || count > common::kMaxPolylines || link_count < 0 ||
        link_count > plandor::kMaxLinks) {
        std::abort();
    }
    for (int i = 0; i < count; ++i) {
        if (!polylines[static_cast<size_t>(i)] ||
            !within_tables(*polylines[static_cast<size_t>(i)], 0)) {
            std::abort();
        }
    }
    // What was read is written whole and reads back to the same file.
    const std::string text = cmg.text(polylines, count, links, link_count);
    common::PolylineArray again;
    plandor::LinkArray again_links;
    int again_count = -1;
    int again_link_count = -1;
    plandor::CCmgFile second;
    if (!second.read_bytes(text, again, again_count, again_links, again_link_count, error) ||
        again_count != count || again_link_count != link_count ||
        second.text(again, again_count, again_links, again_link_count) != text) {
        std::abort();
    }
    return 0;
}
