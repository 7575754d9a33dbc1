#include "fields.h"

#include <cmath>

#include "number_reading.h"

namespace alyra {

bool read_inputs(const WingFields& fields, WingInputs& in, std::string& error, FieldText* refused) {
    struct Field {
        FieldText member;
        const std::string& text;
        double& value;
        const char* caption;
    };
    WingInputs read;
    const Field all[] = {
        {&WingFields::txt_corde_empl, fields.txt_corde_empl, read.Ce, "la corde d'emplanture"},
        {&WingFields::txt_href_empl, fields.txt_href_empl, read.He,
         "la hauteur de référence d'emplanture"},
        {&WingFields::txt_vril_empl2, fields.txt_vril_empl2, read.Ve, "le vrillage d'emplanture"},
        {&WingFields::txt_vril_empl, fields.txt_vril_empl, read.Ae,
         "la rotation du profil d'emplanture"},
        {&WingFields::txt_corde_saum, fields.txt_corde_saum, read.Cs, "la corde du saumon"},
        {&WingFields::txt_href_saum, fields.txt_href_saum, read.Hs,
         "la hauteur de référence du saumon"},
        {&WingFields::txt_vril_saum2, fields.txt_vril_saum2, read.Vs, "le vrillage du saumon"},
        {&WingFields::txt_vril_saum, fields.txt_vril_saum, read.As,
         "la rotation du profil du saumon"},
        {&WingFields::txt_fleche, fields.txt_fleche, read.F, "la flèche"},
        {&WingFields::Txt_Long, fields.Txt_Long, read.L, "la longueur du tronçon"},
    };
    for (const Field& f : all) {
        f.value = pointfile::leading_number(f.text);
        if (!std::isfinite(f.value)) {
            error = std::string("La valeur de ") + f.caption + " (« " + f.text +
                    " ») est trop grande pour être calculée.";
            if (refused) {
                *refused = f.member;
            }
            return false;
        }
    }
    // A length of 0 is refused: when it reads 0 for want of a number, that is
    // what the user is told.
    if (read.L == 0 && !pointfile::begins_with_number(fields.Txt_Long)) {
        error = "La longueur du tronçon « " + fields.Txt_Long + " » n'est pas un nombre.";
        if (refused) {
            *refused = &WingFields::Txt_Long;
        }
        return false;
    }
    // A panel that can be cut: no negative chord, no size beyond 10 m.
    for (const Field& f : all) {
        const bool chord =
            f.member == &WingFields::txt_corde_empl || f.member == &WingFields::txt_corde_saum;
        const bool size = chord || f.member == &WingFields::txt_href_empl ||
                          f.member == &WingFields::txt_href_saum ||
                          f.member == &WingFields::txt_fleche || f.member == &WingFields::Txt_Long;
        std::string named = std::string(f.caption) + " « " + f.text + " »";
        named[0] = named[0] == 'l' ? 'L' : named[0];
        if (chord && f.value < 0) {
            error = named + " ne peut pas être négative.";
        } else if (size && std::fabs(f.value) > pointfile::kLargestPartMm) {
            error = named + " dépasse 10 m : ce n'est pas une pièce à découper.";
        } else {
            continue;
        }
        if (refused) {
            *refused = f.member;
        }
        return false;
    }
    read.vrillage_integre = fields.chk_vrillage_integre;
    in = read;
    return true;
}

bool RefusalMemory::is_news(const WingFields& fields, FieldText field, const std::string& message) {
    const bool same =
        told_ && field == field_ &&
        (field ? fields.*field == fields_.*field : message == message_ && fields == fields_);
    told_ = true;
    field_ = field;
    message_ = message;
    fields_ = fields;
    return !same;
}

}  // namespace alyra
