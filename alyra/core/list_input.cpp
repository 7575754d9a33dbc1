#include "list_input.h"

#include <cmath>

#include "number_reading.h"

namespace alyra {

namespace {
bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

bool ListInput::at_line_end() const {
    return pos_ < text_.size() && (text_[pos_] == '\r' || text_[pos_] == '\n');
}

void ListInput::skip_blanks() {
    while (pos_ < text_.size() && is_blank(text_[pos_])) {
        ++pos_;
    }
}

void ListInput::skip_line_end() {
    if (pos_ < text_.size() && text_[pos_] == '\r') {
        ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] == '\n') {
        ++pos_;
    }
}

bool ListInput::at_end() {
    while (pos_ < text_.size() && (is_blank(text_[pos_]) || at_line_end())) {
        ++pos_;
    }
    return pos_ >= text_.size();
}

std::optional<std::string> ListInput::next_item() {
    if (at_end()) {
        return std::nullopt;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !is_blank(text_[pos_]) && !at_line_end()) {
        ++pos_;
    }
    std::string item(text_.substr(start, pos_ - start));
    // The delimiter: blanks, then at most one comma or one line end.
    skip_blanks();
    if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
    } else if (at_line_end()) {
        skip_line_end();
    }
    return item;
}

std::optional<std::string> ListInput::next_line() {
    if (pos_ >= text_.size()) {
        return std::nullopt;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !at_line_end()) {
        ++pos_;
    }
    std::string line(text_.substr(start, pos_ - start));
    skip_line_end();
    return line;
}

std::optional<double> item_number(std::string_view item) {
    const auto value = pointfile::system_number(item, '.');
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace alyra
