#include "grbl_replies.h"

#include <charconv>

namespace vexor::grbl {

void LineSplitter::feed(std::string_view bytes) {
    pending_.append(bytes);
}

bool LineSplitter::next(std::string& line) {
    std::size_t i = 0;
    while (i < pending_.size()) {
        const char c = pending_[i++];
        const bool after_cr = last_cr_;
        last_cr_ = c == '\r';
        if (c == '\n' && after_cr) {
            continue;  // the CR already ended the line
        }
        if (c == '\n' || c == '\r') {
            const bool skipped = skipping_;
            skipping_ = false;
            if (skipped) {
                partial_.clear();
                continue;
            }
            line.swap(partial_);
            partial_.clear();
            pending_.erase(0, i);
            return true;
        }
        if (skipping_) {
            continue;
        }
        if (partial_.size() >= kMaxLine) {
            partial_.clear();
            skipping_ = true;
            ++discarded_;
            continue;
        }
        partial_.push_back(c);
    }
    pending_.clear();
    return false;
}

namespace {

bool starts_with(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

bool to_int(std::string_view s, int& out) {
    if (s.empty()) {
        return false;
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool to_long(std::string_view s, long& out) {
    if (s.empty()) {
        return false;
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool to_double(std::string_view s, double& out) {
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
    }
    if (s.empty()) {
        return false;
    }
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// Up to N comma-separated numbers; true when at least `need` were read and
// all that were given are numbers.
template <typename T, std::size_t N, typename F>
bool read_list(std::string_view s, std::array<T, N>& out, std::size_t need, F convert) {
    std::size_t n = 0;
    while (true) {
        const std::size_t comma = s.find(',');
        const std::string_view item = s.substr(0, comma);
        T v{};
        if (!convert(item, v)) {
            return false;
        }
        if (n < N) {
            out[n] = v;
        }
        ++n;
        if (comma == std::string_view::npos) {
            break;
        }
        s.remove_prefix(comma + 1);
    }
    return n >= need;
}

void parse_status(std::string_view body, StatusReport& st) {
    bool first = true;
    while (!body.empty() || first) {
        const std::size_t bar = body.find('|');
        const std::string_view field = body.substr(0, bar);
        body = bar == std::string_view::npos ? std::string_view() : body.substr(bar + 1);
        if (first) {
            first = false;
            const std::size_t colon = field.find(':');
            st.state = std::string(field.substr(0, colon));
            int sub = 0;
            if (colon != std::string_view::npos && to_int(field.substr(colon + 1), sub)) {
                st.substate = sub;
            }
            continue;
        }
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = field.substr(0, colon);
        const std::string_view value = field.substr(colon + 1);
        if (name == "MPos" || name == "WPos") {
            std::array<double, 3> p{};
            if (read_list(value, p, 3, to_double)) {
                st.pos = p;
                st.has_pos = true;
                st.machine_pos = name == "MPos";
            }
        } else if (name == "WCO") {
            std::array<double, 3> p{};
            if (read_list(value, p, 3, to_double)) {
                st.wco = p;
                st.has_wco = true;
            }
        } else if (name == "Ov") {
            std::array<int, 3> o{};
            if (read_list(value, o, 3, to_int)) {
                st.ov = o;
                st.has_ov = true;
            }
        } else if (name == "FS") {
            std::array<double, 2> f{};
            if (read_list(value, f, 2, to_double)) {
                st.feed = f[0];
                st.spindle = f[1];
                st.has_feed = true;
            }
        } else if (name == "F") {
            std::array<double, 1> f{};
            if (read_list(value, f, 1, to_double)) {
                st.feed = f[0];
                st.has_feed = true;
            }
        } else if (name == "Bf") {
            std::array<int, 2> b{};
            if (read_list(value, b, 2, to_int)) {
                st.buffer_blocks = b[0];
                st.buffer_bytes = b[1];
                st.has_buffer = true;
            }
        } else if (name == "Ln") {
            long n = 0;
            if (to_long(value, n)) {
                st.line_number = n;
                st.has_line = true;
            }
        } else if (name == "Pn") {
            st.pins = std::string(value);
        }
    }
}

// "Grbl 1.1h ['$' for help]", "GrblHAL 1.1f ['$' or '$HELP' for help]",
// "Grbl 3.6 [FluidNC v3.7.8 (wifi) '$' for help]", possibly after boot noise
// on the same line.
bool parse_welcome(std::string_view line, Reply& r) {
    std::size_t at = 0;
    while ((at = line.find("Grbl", at)) != std::string_view::npos) {
        std::string_view rest = line.substr(at + 4);
        Flavour f = Flavour::Grbl;
        if (starts_with(rest, "HAL ")) {
            f = Flavour::GrblHal;
            rest.remove_prefix(4);
        } else if (starts_with(rest, " ")) {
            rest.remove_prefix(1);
        } else {
            ++at;
            continue;
        }
        const std::size_t space = rest.find(' ');
        const std::string_view version = rest.substr(0, space);
        if (version.empty() || version.front() < '0' || version.front() > '9' ||
            space == std::string_view::npos || rest.substr(space + 1, 1) != "[") {
            ++at;
            continue;
        }
        if (rest.find("FluidNC", space) != std::string_view::npos) {
            f = Flavour::FluidNc;
        }
        r.kind = ReplyKind::Welcome;
        r.flavour = f;
        r.text = std::string(version);
        return true;
    }
    return false;
}

}  // namespace

Reply parse_reply(std::string_view line) {
    Reply r;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    if (line == "ok") {
        r.kind = ReplyKind::Ok;
        return r;
    }
    int code = 0;
    if (starts_with(line, "error:") && to_int(line.substr(6), code)) {
        r.kind = ReplyKind::Error;
        r.code = code;
        return r;
    }
    if (starts_with(line, "ALARM:") && to_int(line.substr(6), code)) {
        r.kind = ReplyKind::Alarm;
        r.code = code;
        return r;
    }
    if (line.size() >= 2 && line.front() == '<' && line.back() == '>') {
        r.kind = ReplyKind::Status;
        parse_status(line.substr(1, line.size() - 2), r.status);
        return r;
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        const std::string_view inside = line.substr(1, line.size() - 2);
        if (starts_with(inside, "MSG:")) {
            r.kind = ReplyKind::Message;
            r.text = std::string(inside.substr(4));
        } else if (starts_with(inside, "OPT:")) {
            r.kind = ReplyKind::Options;
            r.text = std::string(inside.substr(4));
            std::string_view rest = r.text;
            const std::size_t c1 = rest.find(',');
            if (c1 != std::string_view::npos) {
                rest.remove_prefix(c1 + 1);
                const std::size_t c2 = rest.find(',');
                int blocks = 0;
                int rx = 0;
                if (c2 != std::string_view::npos && to_int(rest.substr(0, c2), blocks)) {
                    std::string_view tail = rest.substr(c2 + 1);
                    tail = tail.substr(0, tail.find(','));
                    if (to_int(tail, rx) && blocks > 0 && rx > 0) {
                        r.option_blocks = blocks;
                        r.option_rx_bytes = rx;
                    }
                }
            }
        } else {
            r.kind = ReplyKind::Feedback;
            r.text = std::string(inside);
        }
        return r;
    }
    if (line.size() >= 3 && line.front() == '$') {
        const std::size_t eq = line.find('=');
        int number = 0;
        if (eq != std::string_view::npos && to_int(line.substr(1, eq - 1), number) && number >= 0) {
            r.kind = ReplyKind::Setting;
            r.setting_number = number;
            r.text = std::string(line.substr(eq + 1));
            r.setting_numeric = to_double(r.text, r.setting_value);
            return r;
        }
    }
    if (!line.empty() && line.front() == '>') {
        r.kind = ReplyKind::StartupLine;
        r.text = std::string(line.substr(1));
        return r;
    }
    if (parse_welcome(line, r)) {
        return r;
    }
    r.text = std::string(line);
    return r;
}

namespace {

constexpr const char* kErrors[] = {
    "",
    "Un mot G-code est formé d'une lettre et d'une valeur : la lettre manque.",
    "Valeur numérique mal écrite ou absente.",
    "Commande système « $ » inconnue ou non prise en charge.",
    "Valeur négative reçue là où une valeur positive est attendue.",
    "La prise d'origine n'est pas activée dans les réglages.",
    "La durée d'impulsion de pas doit dépasser 3 µs.",
    "Lecture de l'EEPROM en échec : valeurs par défaut rétablies.",
    "Commande « $ » refusée hors de l'état de repos (Idle).",
    "G-code verrouillé pendant une alarme ou un déplacement manuel.",
    "Les limites logicielles exigent que la prise d'origine soit activée.",
    "Ligne trop longue : elle n'a pas été exécutée.",
    "La valeur du réglage dépasse la fréquence de pas maximale.",
    "Porte de sécurité ouverte : état Porte engagé.",
    "Ligne d'information ou de démarrage trop longue pour l'EEPROM.",
    "La cible du déplacement manuel dépasse la course de la machine.",
    "Commande de déplacement manuel sans « = » ou avec un G-code interdit.",
    "Le mode laser exige une sortie MLI (PWM).",
    "",
    "",
    "Commande G-code non prise en charge ou invalide dans le bloc.",
    "Plusieurs commandes G-code du même groupe modal dans le bloc.",
    "Vitesse d'avance non définie.",
    "Cette commande G-code exige une valeur entière.",
    "Deux commandes G-code du bloc exigent chacune les mots d'axe XYZ.",
    "Un mot G-code est répété dans le bloc.",
    "Aucun mot d'axe XYZ dans le bloc alors que la commande en exige.",
    "Numéro de ligne N hors de la plage 1 à 9 999 999.",
    "Il manque à la commande G-code un mot P ou L requis.",
    "Seuls les repères de travail G54 à G59 sont pris en charge (pas G59.1 à G59.3).",
    "G53 n'est permis qu'avec le mode de mouvement G0 ou G1.",
    "Mots d'axe inutilisés dans le bloc alors que G80 est actif.",
    "Arc G2 ou G3 sans mot d'axe dans le plan choisi.",
    "La cible du mouvement est invalide.",
    "Arc G2 ou G3 défini par son rayon : géométrie impossible à calculer.",
    "Arc G2 ou G3 défini par son centre : mot de décalage IJK absent dans le plan choisi.",
    "Mots G-code restants inutilisés dans le bloc.",
    "La correction dynamique de longueur d'outil G43.1 ne vise pas l'axe configuré.",
    "Numéro d'outil supérieur au maximum pris en charge.",
};

constexpr const char* kAlarms[] = {
    "",
    "Fin de course matérielle déclenchée : position machine probablement perdue, refaire la "
    "prise d'origine.",
    "La cible du mouvement dépasse la course de la machine : position conservée, l'alarme peut "
    "être levée.",
    "Réinitialisation pendant un mouvement : position non garantie, refaire la prise d'origine.",
    "Palpage en échec : le palpeur n'est pas dans l'état attendu au départ du cycle.",
    "Palpage en échec : aucun contact avec la pièce dans la course programmée.",
    "Prise d'origine en échec : réinitialisation pendant le cycle.",
    "Prise d'origine en échec : porte de sécurité ouverte pendant le cycle.",
    "Prise d'origine en échec : le contact de fin de course n'a pas été libéré au dégagement.",
    "Prise d'origine en échec : contact de fin de course introuvable dans la distance de "
    "recherche.",
};

}  // namespace

std::string error_text(int code) {
    constexpr int n = static_cast<int>(sizeof(kErrors) / sizeof(kErrors[0]));
    if (code > 0 && code < n && kErrors[code][0] != '\0') {
        return kErrors[code];
    }
    return "Code d'erreur inconnu (" + std::to_string(code) + ").";
}

std::string alarm_text(int code) {
    constexpr int n = static_cast<int>(sizeof(kAlarms) / sizeof(kAlarms[0]));
    if (code > 0 && code < n) {
        return kAlarms[code];
    }
    return "Code d'alarme inconnu (" + std::to_string(code) + ").";
}

}  // namespace vexor::grbl
