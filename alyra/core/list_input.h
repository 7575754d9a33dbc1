#pragma once
// Sequential list input over the text of a file: numbers read item by item
// (an item ends at a comma, a blank or the end of a line; blanks and empty
// lines before an item are skipped) and whole lines read as text. Line ends
// may be CR LF, LF or CR.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace alyra {

class ListInput {
  public:
    explicit ListInput(std::string_view text) : text_(text) {}

    // True when only blanks and line ends remain.
    bool at_end();

    // The next item's text, without the blanks around it and its delimiter;
    // nothing when the text is exhausted. An empty item (",,") gives "".
    std::optional<std::string> next_item();

    // The rest of the current line, its line end consumed; nothing at the
    // end of the text.
    std::optional<std::string> next_line();

  private:
    void skip_blanks();
    void skip_line_end();
    bool at_line_end() const;

    std::string_view text_;
    std::size_t pos_ = 0;
};

// The whole item as a finite number written with ".", blanks around it
// allowed ("1.5", "-.25", "2e-3"); nothing otherwise.
std::optional<double> item_number(std::string_view item);

}  // namespace alyra
