#include "project_file.h"

#include <cctype>
#include <cmath>
#include <optional>

#include "list_input.h"
#include "number_format.h"
#include "output_files.h"
#include "point_line.h"
#include "printable.h"

namespace alyra {

namespace {

// "#0.000000" with the system's separator, then the separator before the last
// six digits forced to ".".
std::string project_number(double value, char decimal_sep) {
    const std::string text = pointfile::format_pattern(value, "#0.000000", decimal_sep);
    if (text.size() < 8) {
        return text;
    }
    return text.substr(0, text.size() - 7) + "." + text.substr(text.size() - 6);
}

bool ends_with_extension(const std::string& name) {
    const std::string_view ext = kProjectExtension;
    if (name.size() < ext.size()) {
        return false;
    }
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const char c = name[name.size() - ext.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != ext[i]) {
            return false;
        }
    }
    return true;
}

void append_line(std::string& text, const std::string& line) {
    text += line;
    text += pointfile::kLineEnd;
}

bool append_profile(std::string& text, const LoadedProfile& profile, char decimal_sep) {
    if (profile.points.nb_pts < 1) {
        return false;
    }
    append_line(text, pointfile::signed_space(static_cast<int>(profile.points.nb_pts)));
    append_line(text, profile.label);
    for (std::size_t k = 0; k < static_cast<std::size_t>(profile.points.nb_pts); ++k) {
        append_line(text, project_number(profile.points.x[k], decimal_sep) + "  " +
                              project_number(profile.points.y[k], decimal_sep));
    }
    return true;
}

}  // namespace

std::string with_project_extension(const std::string& path) {
    return ends_with_extension(path) ? path : path + kProjectExtension;
}

std::string project_name_line(const std::string& project_name, const std::string& file_name) {
    if (project_name != kDefaultProjectName) {
        return project_name;
    }
    return ends_with_extension(file_name)
               ? file_name.substr(0, file_name.size() - std::string_view(kProjectExtension).size())
               : file_name;
}

bool project_text(const ProjectData& p, const std::string& date, char decimal_sep,
                  std::string& text, std::string& error) {
    const std::string* texts[] = {
        &p.name,           &p.Txt_Long,      &p.txt_fleche,     &p.txt_prof_empl,
        &p.txt_corde_empl, &p.txt_href_empl, &p.txt_vril_empl2, &p.txt_prof_saum,
        &p.txt_corde_saum, &p.txt_href_saum, &p.txt_vril_saum2, &p.empl.label,
        &p.saum.label,
    };
    for (const std::string* t : texts) {
        if (t->find_first_of("\r\n") != std::string::npos) {
            error =
                "Un champ du projet contient un saut de ligne : le projet n'est pas enregistré.";
            return false;
        }
    }
    std::string out;
    append_line(out, std::string("Fichier projet - Programme Alyra - ") + kAuthor + " - " + date);
    for (std::size_t i = 0; i < 11; ++i) {
        append_line(out, *texts[i]);
    }
    if (!append_profile(out, p.empl, decimal_sep) || !append_profile(out, p.saum, decimal_sep)) {
        error = "Un profil du projet est vide : le projet n'est pas enregistré.";
        return false;
    }
    if (p.vrillage_integre) {
        append_line(out, std::string(kVrillageIntegreLine));
    }
    text = std::move(out);
    return true;
}

namespace {

class ProjectReader {
  public:
    explicit ProjectReader(std::string_view bytes) : in_(bytes) {}

    bool line(std::string& out, std::string& error) {
        auto l = in_.next_line();
        ++line_number_;
        if (!l) {
            error = "Le projet est incomplet : la ligne " + std::to_string(line_number_) +
                    " manque. Le projet n'est pas chargé.";
            return false;
        }
        out = std::move(*l);
        return true;
    }

    bool profile(LoadedProfile& out, const char* which, std::string& error) {
        std::string count_text;
        if (!line(count_text, error)) {
            return false;
        }
        const auto count = item_number(count_text);
        if (!count || *count != std::floor(*count) || *count < 1 || *count > kMaxPoints) {
            error = std::string("Le nombre de points du profil ") + which + " (« " +
                    platform::printable(count_text) + " », ligne " + std::to_string(line_number_) +
                    ") doit être un entier de 1 à " + std::to_string(kMaxPoints) +
                    ". Le projet n'est pas chargé.";
            return false;
        }
        LoadedProfile profile;
        if (!line(profile.label, error)) {
            return false;
        }
        for (int k = 0; k < static_cast<int>(*count); ++k) {
            std::string point;
            if (!line(point, error)) {
                return false;
            }
            ListInput items(point);
            const auto x = items.next_item();
            const auto y = items.next_item();
            const auto px = x ? item_number(*x) : std::nullopt;
            const auto py = y ? item_number(*y) : std::nullopt;
            if (!px || !py || !items.at_end()) {
                error = "La ligne " + std::to_string(line_number_) + " du projet (« " +
                        platform::printable(point) +
                        " ») n'est pas un point. Le projet n'est pas chargé.";
                return false;
            }
            profile.points.add(*px, *py);
        }
        out = std::move(profile);
        return true;
    }

    // The line after the profiles, if any (blanks at its end dropped).
    std::optional<std::string> extra_line() {
        auto l = in_.next_line();
        if (l) {
            l->erase(l->find_last_not_of(" \t") + 1);
        }
        return l;
    }

  private:
    ListInput in_;
    int line_number_ = 0;
};

}  // namespace

bool read_project(std::string_view bytes, ProjectData& out, std::string& error) {
    ProjectReader r(bytes);
    ProjectData p;
    std::string header;
    std::string* texts[] = {
        &header,          &p.name,           &p.Txt_Long,      &p.txt_fleche,
        &p.txt_prof_empl, &p.txt_corde_empl, &p.txt_href_empl, &p.txt_vril_empl2,
        &p.txt_prof_saum, &p.txt_corde_saum, &p.txt_href_saum, &p.txt_vril_saum2,
    };
    for (std::string* t : texts) {
        if (!r.line(*t, error)) {
            return false;
        }
    }
    if (!r.profile(p.empl, "d'emplanture", error) || !r.profile(p.saum, "du saumon", error)) {
        return false;
    }
    p.vrillage_integre = r.extra_line() == kVrillageIntegreLine;
    out = std::move(p);
    return true;
}

}  // namespace alyra
