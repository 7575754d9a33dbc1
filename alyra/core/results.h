#pragma once
// The results shown by the main window: each a text formatted with a decimal
// point, with the computed number and the number the text shows kept beside
// it (so a text never has to be read back).

#include <string>
#include <string_view>

namespace alyra {

inline constexpr std::string_view kNoResult = "---";

struct ShownNumber {
    std::string text{kNoResult};
    double value = 0;  // as computed
    double shown = 0;  // as the text shows it (the value rounded by the pattern)
};

// `value` formatted with `pattern` ("#0.00", "#.00", ...) and a decimal point.
ShownNumber shown_number(double value, std::string_view pattern);

struct WingResults {
    // Follow from the inputs alone (every redraw of the initial views).
    ShownNumber Txt_Corde_Final;   // turned root chord, "#.00"
    ShownNumber Txt_Lg_Final;      // turned panel length, "#.00"
    ShownNumber Txt_Fleche_Final;  // always "0.00"
    std::string rotation_caption;  // "Position après rotation de 41.19°"
    // Final heights and twists (each computation), "#0.00".
    ShownNumber Txt_Href_Empl_final;
    ShownNumber Txt_Href_Saum_final;
    ShownNumber Txt_Vrill_Empl_Final;
    ShownNumber Txt_Vrill_Saum_Final;
    // The twists are inside the new profiles; the final twists are what is
    // left to turn.
    bool vrillage_integre = false;
};

}  // namespace alyra
