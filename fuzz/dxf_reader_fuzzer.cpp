// Feeds arbitrary bytes to the DXF entity reader: every input must end
// cleanly, with every entity inside the point table.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dxf_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    common::CDxfFile dxf;
    if (!dxf.open_bytes(std::string_view(reinterpret_cast<const char*>(data), size))) {
        std::abort();
    }
    common::CPolyline buffer;
    // Each entity consumes at least one line, so the loop ends with the bytes.
    while (dxf.read_entity(buffer)) {
        if (buffer.nbPoints < 1 || buffer.nbPoints > common::kPointSlots) {
            std::abort();
        }
    }
    if (buffer.nbPoints != 0) {
        std::abort();
    }
    std::string error;
    if (!dxf.close(error)) {
        std::abort();
    }
    return 0;
}
