#include "dxf_tags.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>

namespace common {

namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

DxfTagReader::DxfTagReader(std::string_view text) : text_(text) {
    // A UTF-8 byte-order mark is not part of the first code.
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
        pos_ = 3;
    }
}

bool DxfTagReader::read_line(std::string_view& line) {
    if (pos_ >= text_.size()) {
        return false;
    }
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
    line = text_.substr(pos_, stop - pos_);
    pos_ = stop;
    if (pos_ < text_.size() && text_[pos_] == '\r') {
        ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] == '\n') {
        ++pos_;
    }
    ++lineNumber_;
    return true;
}

bool DxfTagReader::next(DxfTag& tag) {
    if (putBack_) {
        putBack_ = false;
        tag = last_;
        return true;
    }
    if (failed_) {
        return false;
    }
    std::string_view code_line;
    std::string_view value_line;
    if (!read_line(code_line)) {
        return false;
    }
    codeLine_ = lineNumber_;
    long long code = 0;
    if (!dxf_integer(code_line, code) || code < -9999 || code > 9999) {
        failed_ = true;
        return false;
    }
    if (!read_line(value_line)) {
        return false;
    }
    last_.code = static_cast<int>(code);
    last_.value = trim(value_line);
    tag = last_;
    return true;
}

bool dxf_number(std::string_view value, double& out) {
    value = trim(value);
    if (!value.empty() && value.front() == '+') {
        value.remove_prefix(1);
    }
    // A program that wrote its numbers under a French locale gives "2,5":
    // a lone comma without a point can only be the decimal mark.
    std::string pointed;
    if (value.find('.') == std::string_view::npos &&
        std::count(value.begin(), value.end(), ',') == 1) {
        pointed = value;
        pointed[pointed.find(',')] = '.';
        value = pointed;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

bool dxf_integer(std::string_view value, long long& out) {
    value = trim(value);
    if (!value.empty() && value.front() == '+') {
        value.remove_prefix(1);
    }
    long long v = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || value.empty() || end != value.data() + value.size()) {
        return false;
    }
    out = v;
    return true;
}

void count_entity(std::vector<EntityTally>& tally, std::string_view kind, bool read) {
    auto it = tally.begin();
    while (it != tally.end() && it->kind != kind) {
        ++it;
    }
    if (it == tally.end()) {
        tally.push_back(EntityTally{std::string(kind), 0, 0});
        it = std::prev(tally.end());
    }
    (read ? it->read : it->passedOver) += 1;
}

}  // namespace common
