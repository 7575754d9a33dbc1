#pragma once
// The input fields of the main window as typed, and the numbers the
// computation reads from them.

#include <string>

#include "geometry.h"

namespace alyra {

// Texts of the input boxes, with the window's defaults.
struct WingFields {
    std::string txt_corde_empl = "400";
    std::string txt_href_empl = "20";
    std::string txt_vril_empl2 = "0";  // root twist
    std::string txt_vril_empl = "0";   // root pre-rotation, not kept in projects
    std::string txt_corde_saum = "100";
    std::string txt_href_saum = "20";
    std::string txt_vril_saum2 = "0";  // tip twist
    std::string txt_vril_saum = "0";   // tip pre-rotation, not kept in projects
    std::string txt_fleche = "350";
    std::string Txt_Long = "400";
    bool chk_vrillage_integre = false;  // "Vrillage intégré aux profils"

    bool operator==(const WingFields&) const = default;
};

// A text box of WingFields.
using FieldText = std::string WingFields::*;

// Reads every field with the leading-number scan ("12,5" is 12, no number is
// 0), and the check box. Refused with a French message when a value is too
// large to compute, the length is no number, a chord is negative or a chord,
// height, sweep or length is beyond 10 m; `refused`, when given, then
// names the field.
[[nodiscard]] bool read_inputs(const WingFields& fields, WingInputs& in, std::string& error,
                               FieldText* refused = nullptr);

// Whether a refusal of the fields is worth a message: a field whose text was
// refused is not refused again until its text changes, so leaving box after
// box tells it once. A refusal about no one field (`field` null) is told
// again when any text changed. Forget what was refused once the fields are
// accepted.
class RefusalMemory {
  public:
    bool is_news(const WingFields& fields, FieldText field, const std::string& message);
    void forget() { told_ = false; }

  private:
    bool told_ = false;
    FieldText field_ = nullptr;
    std::string message_;
    WingFields fields_;
};

}  // namespace alyra
