#include "move_file.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace vexor {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void skip_blanks(std::string_view& text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
}

// Drops a '+' that announces a number, which the C scanner accepts.
void skip_plus(std::string_view& text) {
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') {
        text.remove_prefix(1);
    }
}

bool read_real(std::string_view& text, float& value) {
    skip_blanks(text);
    skip_plus(text);
    const auto res =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (res.ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    text.remove_prefix(static_cast<size_t>(res.ptr - text.data()));
    return true;
}

bool read_int(std::string_view& text, std::int64_t& value) {
    skip_blanks(text);
    skip_plus(text);
    int n = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), n);
    if (res.ec != std::errc()) {
        return false;
    }
    text.remove_prefix(static_cast<size_t>(res.ptr - text.data()));
    value = n;
    return true;
}

void append_f(std::string& out, double value) {
    char buf[400];  // "%f" of the largest double has 316 characters
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    out.append(buf, res.ptr);
}

void append_d(std::string& out, int value) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

}  // namespace

bool parse_move_line(std::string_view line, MoveLine& move) {
    // The line is a C string: nothing after a NUL byte counts.
    if (const auto nul = line.find('\0'); nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    if (line.empty()) {
        return false;
    }
    const char kind = line.front();
    std::string_view rest = line.substr(1);
    MoveLine m;
    m.kind = kind;
    if (kind == 'P') {
        if (!read_real(rest, m.targetX) || !read_real(rest, m.incX) ||
            !read_real(rest, m.targetY) || !read_real(rest, m.incY) ||
            !read_int(rest, m.periodUs)) {
            return false;
        }
    } else if (kind == 'Z') {
        if (!read_real(rest, m.targetZ) || !read_real(rest, m.incZ) ||
            !read_int(rest, m.periodUs)) {
            return false;
        }
    } else {
        return false;
    }
    move = m;
    return true;
}

bool MoveFileReader::open(const std::string& path) {
    close();
    lineNumber_ = 0;
    atLineStart_ = true;
    file_ = std::fopen(path.c_str(), "r");
    return file_ != nullptr;
}

bool MoveFileReader::next_line(std::string& line) {
    char buf[100];
    if (atLineStart_) {
        ++lineNumber_;
        atLineStart_ = false;
    }
    if (!file_ || !std::fgets(buf, sizeof buf, file_)) {
        return false;
    }
    line.assign(buf);
    atLineStart_ = !line.empty() && line.back() == '\n';
    return true;
}

bool MoveFileReader::at_end() const {
    return file_ != nullptr && std::feof(file_) != 0 && std::ferror(file_) == 0;
}

void MoveFileReader::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

std::string p_line_text(double targetX, double incX, double targetY, double incY, int periodUs) {
    std::string text = "P ";
    append_f(text, targetX);
    text += ' ';
    append_f(text, incX);
    text += ' ';
    append_f(text, targetY);
    text += ' ';
    append_f(text, incY);
    text += ' ';
    append_d(text, periodUs);
    text += '\n';
    return text;
}

std::string z_line_text(double targetZ, double incZ, int periodUs) {
    std::string text = "Z ";
    append_f(text, targetZ);
    text += ' ';
    append_f(text, incZ);
    text += ' ';
    append_d(text, periodUs);
    text += '\n';
    return text;
}

}  // namespace vexor
