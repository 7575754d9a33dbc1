#include "move_commands.h"

#include <cmath>

#include "move_file.h"

namespace vexor {

namespace {

// 1000000 / speed / steps, truncated; false with the reason when the period
// has no sensible value.
bool period_of(float speed, const char* speed_name, float steps, char axis, int& period,
               std::string& error) {
    if (!(steps > 0) || !std::isfinite(steps)) {
        error = std::string("Le nombre de pas par mm de l'axe ") + axis +
                " est nul ou négatif : le déplacement est refusé. "
                "Corrigez-le dans Paramétrage, Machine.";
        return false;
    }
    if (!(speed > 0) || !std::isfinite(speed)) {
        error = std::string("La vitesse de déplacement ") + speed_name +
                " est nulle ou négative : le déplacement est refusé. "
                "Donnez-lui une valeur dans la barre des paramètres.";
        return false;
    }
    const float p = 1000000 / speed / steps;
    if (!(p < 2147483520.0f)) {
        error = std::string("La vitesse de déplacement ") + speed_name +
                " est trop faible pour l'axe " + axis + " : le déplacement est refusé.";
        return false;
    }
    period = static_cast<int>(p);
    return true;
}

bool check_target(double target, char axis, const MachineSettings& s, std::string& error) {
    if (within_travel(target, travel_of(axis, s))) {
        return true;
    }
    error = "Le déplacement irait " + outside_travel_text(axis, s) + " : il est refusé.";
    return false;
}

}  // namespace

bool jog_text(Jog jog, float distance, const MachineSettings& s, const CStepDriver& d,
              std::string& text, std::string& error) {
    if (!std::isfinite(distance)) {
        error = "La distance de déplacement n'est pas un nombre : le déplacement est refusé.";
        return false;
    }
    int period = 0;
    switch (jog) {
        case Jog::XPlus:
        case Jog::XMinus: {
            if (!period_of(s.travelSpeedXY, "XY", s.StepX, 'X', period, error)) {
                return false;
            }
            const bool plus = jog == Jog::XPlus;
            if (!check_target(plus ? d.posX() + distance : d.posX() - distance, 'X', s, error)) {
                return false;
            }
            text = p_line_text(plus ? d.posX() + distance : d.posX() - distance,
                               plus ? d.stepLenX() : -d.stepLenX(), d.posY(), 0, period);
            return true;
        }
        case Jog::YPlus:
        case Jog::YMinus: {
            if (!period_of(s.travelSpeedXY, "XY", s.StepY, 'Y', period, error)) {
                return false;
            }
            const bool plus = jog == Jog::YPlus;
            if (!check_target(plus ? d.posY() + distance : d.posY() - distance, 'Y', s, error)) {
                return false;
            }
            text = p_line_text(d.posX(), 0, plus ? d.posY() + distance : d.posY() - distance,
                               plus ? d.stepLenY() : -d.stepLenY(), period);
            return true;
        }
        case Jog::ZPlus:
        case Jog::ZMinus: {
            if (!period_of(s.travelSpeedZ, "Z", s.StepZ, 'Z', period, error)) {
                return false;
            }
            const bool plus = jog == Jog::ZPlus;
            if (!check_target(plus ? d.posZ() + distance : d.posZ() - distance, 'Z', s, error)) {
                return false;
            }
            text = z_line_text(plus ? d.posZ() + distance : d.posZ() - distance,
                               plus ? d.stepLenZ() : -d.stepLenZ(), period);
            return true;
        }
    }
    return false;
}

bool origin_text(const MachineSettings& s, const CStepDriver& d, std::string& text,
                 std::string& error) {
    int period_x = 0;
    int period_y = 0;
    if (!period_of(s.travelSpeedXY, "XY", s.StepX, 'X', period_x, error) ||
        !period_of(s.travelSpeedXY, "XY", s.StepY, 'Y', period_y, error)) {
        return false;
    }
    const float sx = d.posX() >= 0 ? -d.stepLenX() : d.stepLenX();
    const float sy = d.posY() >= 0 ? -d.stepLenY() : d.stepLenY();
    text = p_line_text(0, sx, d.posY(), 0, period_x) + p_line_text(0, 0, 0, sy, period_y);
    return true;
}

}  // namespace vexor
