#pragma once
// CParamBar: the parameter bar docked at the left of the controller's
// window. Three groups, each with its "Appliquer" button, enabled while a
// field of the group has been edited:
//   "Déplacements"  jogX, jogY, jogZ (the jog distances, kept here)
//   "Vitesses"      travelSpeedXY, cutSpeedXY, travelSpeedZ, cutSpeedZ
//   "Descente outil" ZBas
// Applying reads the group's fields in that order; the first bad value
// stops the reading with the group's message, gets its last valid value
// back and the focus. Speeds and descent reach the document only when all
// the fields of their group are valid.

#include <QWidget>
#include <array>
#include <functional>

class QLineEdit;
class QPushButton;
class QGridLayout;

namespace vexor {

class CParamBar : public QWidget {
  public:
    struct Speeds {
        float travelXY, travelZ, cutXY, cutZ;
    };
    struct Handlers {
        std::function<void(const QString& title, const QString& text)> error;
        std::function<void(const Speeds&)> speeds;
        std::function<void(float ZBas)> descent;
    };

    CParamBar(Handlers handlers, QWidget* parent = nullptr);

    // Writes the speeds ("%02.0f") and the descent ("%03.1f") into their
    // fields and clears their groups' flags.
    void fill(const Speeds& speeds, float ZBas);
    float jogX() const { return valid_[0]; }
    float jogY() const { return valid_[1]; }
    float jogZ() const { return valid_[2]; }
    // The eight fields are disabled while the machine moves.
    void set_fields_enabled(bool enabled);

    bool apply_moves();
    bool apply_speeds();
    bool apply_descent();

  private:
    enum Field { JogX, JogY, JogZ, TravelXY, CutXY, TravelZ, CutZ, Descent, FieldCount };
    QLineEdit* add_field(QGridLayout* grid, int row, Field f, const char* name,
                         const QString& label, const QString& unit);
    QPushButton* add_apply(const char* name);
    // Reads the fields [first, last]; false at the first bad one.
    bool read_fields(int first, int last);
    void show(Field f);
    void set_changed(int group, bool changed);

    Handlers handlers_;
    std::array<QLineEdit*, FieldCount> fields_{};
    std::array<float, FieldCount> valid_{10, 10, 2, 0, 0, 0, 0, 0};
    std::array<QPushButton*, 3> apply_{};
};

}  // namespace vexor
