#pragma once
// Text taken from a user's file and shown in a message: its control
// characters (line ends, escapes, NUL) are replaced so that a file cannot
// rewrite the terminal or forge message lines.

#include <string>
#include <string_view>

namespace platform {

// `text` with every byte below 0x20 and 0x7F replaced by '?'.
inline std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return out;
}

}  // namespace platform
