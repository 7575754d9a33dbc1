// The GRBL reply reader on arbitrary bytes: it must never crash, every line
// it hands out is within its bound, and a status report's numbers are read
// only from what was there.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grbl_replies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vexor::grbl::LineSplitter splitter;
    // Fed in two pieces, as a serial port delivers them.
    splitter.feed(bytes.substr(0, size / 2));
    std::string line;
    while (splitter.next(line)) {
        if (line.size() > vexor::grbl::LineSplitter::kMaxLine) {
            std::abort();
        }
        (void)vexor::grbl::parse_reply(line);
    }
    splitter.feed(bytes.substr(size / 2));
    while (splitter.next(line)) {
        if (line.size() > vexor::grbl::LineSplitter::kMaxLine) {
            std::abort();
        }
        const vexor::grbl::Reply r = vexor::grbl::parse_reply(line);
        if (r.kind == vexor::grbl::ReplyKind::Error || r.kind == vexor::grbl::ReplyKind::Alarm) {
            (void)vexor::grbl::error_text(r.code);
            (void)vexor::grbl::alarm_text(r.code);
        }
    }
    (void)vexor::grbl::parse_reply(bytes);
    return 0;
}
