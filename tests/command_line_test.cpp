// The suite's command-line convention, checked on each program as a user
// meets it: each program runs in an empty folder with its own settings store,
// under a French locale, and the test looks at its exit code, its output and
// the files it left.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "test_files.h"

namespace fs = std::filesystem;

namespace {

const fs::path kExamples = OSTRELO_EXAMPLES;

struct Program {
    const char* name;
    const char* path;
};

const Program kStelmo{"Stelmo", STELMO_PROGRAM};
const Program kCadrex{"Cadrex", CADREX_PROGRAM};
const Program kAlyra{"Alyra", ALYRA_PROGRAM};
const Program kPlandor{"Plandor", PLANDOR_PROGRAM};
const Program kVexor{"Vexor", VEXOR_PROGRAM};
const Program kAll[] = {kStelmo, kCadrex, kAlyra, kPlandor, kVexor};

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

void write_text(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string example(const char* name) {
    return (kExamples / name).string();
}

// An empty folder; its config/ holds the settings store, and HOME is the
// folder itself.
class Folder {
  public:
    explicit Folder(const std::string& name) : dir_("cli_" + name) {}

    const fs::path& path() const { return dir_.path; }

    Outcome run(const Program& program, const std::vector<std::string>& args) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "fr_FR.UTF-8");
        env.insert("HOME", QString::fromStdString(dir_.path.string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir_.path / "config").string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(dir_.path.string()));
        QStringList arguments;
        for (const std::string& a : args) {
            arguments << QString::fromStdString(a);
        }
        process.start(program.path, arguments);
        Outcome run;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << program.name << " did not end normally";
            return run;
        }
        run.code = process.exitCode();
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        // Qt's own notices of the offscreen platform are not the program's.
        run.err =
            std::regex_replace(run.err, std::regex("(QStandardPaths|This plugin)[^\n]*\n"), "");
        return run;
    }

    // The names in the folder, settings store aside, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir_.path)) {
            const std::string name = fs::relative(e.path(), dir_.path).string();
            if (name.rfind("config", 0) != 0) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    test_files::TempDir dir_;
};

bool one_line(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CommandLine, HelpAndVersionFollowOneFormat) {
    Folder folder("help");
    const std::regex version("[A-Z][a-z]+ [0-9]+(\\.[0-9]+)+\n");
    for (const Program& p : kAll) {
        for (const char* help : {"-h", "--help"}) {
            const Outcome r = folder.run(p, {help});
            EXPECT_EQ(r.code, 0) << p.name << " " << help;
            for (const char* part : {"Usage : ", "-h, --help", "--version", "Code de sortie"}) {
                EXPECT_TRUE(contains(r.out, part)) << p.name << " " << help << " : " << part;
            }
        }
        const Outcome v = folder.run(p, {"--version"});
        EXPECT_EQ(v.code, 0);
        EXPECT_TRUE(std::regex_match(v.out, version)) << v.out;
        EXPECT_EQ(v.out.rfind(p.name, 0), 0u) << v.out;
    }
    // Every program that writes names its output with -o, --out as well.
    for (const Program& p : {kStelmo, kCadrex, kAlyra, kPlandor}) {
        const std::string help = folder.run(p, {"--help"}).out;
        EXPECT_TRUE(contains(help, "-o") && contains(help, "--out")) << p.name;
    }
    EXPECT_TRUE(folder.files().empty());
}

// The help ends with the examples folder found beside the program: the one
// the build puts there, the one of a prefix the program is copied into, and
// no line at all where there is none.
TEST(CommandLine, HelpNamesTheExamplesFolderBesideTheProgram) {
    Folder folder("examples");
    const std::string common_end = "2 erreur d'utilisation.\n";
    for (const Program& p : kAll) {
        SCOPED_TRACE(p.name);
        const fs::path built =
            fs::path(p.path).parent_path() / ".." / "share" / "ostrelo" / "examples";
        ASSERT_TRUE(fs::is_regular_file(built / "naca2412.dat"));
        const fs::path prefix = folder.path() / p.name;
        const fs::path copy = prefix / "bin" / fs::path(p.path).filename();
        fs::create_directories(copy.parent_path());
        fs::copy_file(p.path, copy);
        const std::string copied = copy.string();

        const std::string alone = folder.run({p.name, copied.c_str()}, {"--help"}).out;
        EXPECT_TRUE(alone.ends_with(common_end)) << alone;
        EXPECT_EQ(alone.find("Exemples"), std::string::npos);

        fs::create_directories(prefix / "share" / "ostrelo" / "examples");
        const std::string installed = folder.run({p.name, copied.c_str()}, {"--help"}).out;
        EXPECT_TRUE(installed.ends_with(
            common_end + "Exemples : " +
            fs::canonical(prefix / "share" / "ostrelo" / "examples").string() + "\n"))
            << installed;

        const std::string in_build = folder.run(p, {"--help"}).out;
        EXPECT_TRUE(
            in_build.ends_with(common_end + "Exemples : " + fs::canonical(built).string() + "\n"))
            << in_build;
        fs::remove_all(prefix);
    }
}

TEST(CommandLine, UsageMistakesExitWithTwoAndOneLine) {
    const std::string dxf = example("nervure.dxf");
    const struct {
        Program program;
        std::vector<std::string> args;
        const char* named;  // what the line must name besides --help
    } cases[] = {
        {kStelmo, {"--dext", "80", "--bogus"}, "--bogus"},
        {kStelmo, {"--dext"}, "--dext"},
        {kStelmo, {"e.dat"}, "e.dat"},
        // A forgotten value does not take the next option.
        {kStelmo, {"--dext", "-o", "x.dat"}, "L'option --dext attend une valeur"},
        {kCadrex, {"--xse", "--ye", "40"}, "L'option --xse attend une valeur"},
        {kCadrex, {"-x"}, "-x"},
        {kCadrex, {"--male", "1", "--femelle", "2"}, "--femelle"},
        {kAlyra, {"--corde"}, "--corde"},
        {kAlyra, {"--root", "a.dat"}, "profils"},
        {kAlyra, {"--project", "p.alyra", "--long", "3"}, "--long"},
        {kPlandor, {"--help=1"}, "--help=1"},
        {kPlandor, {"--import", dxf}, "--import"},
        {kPlandor, {"--dump", dxf, "--export", "d.dxf", "plan.cmg"}, "Une seule tâche"},
        {kVexor, {"--simulate", dxf, "--realtme"}, "--realtme"},
        {kVexor, {"--trace", "t.csv"}, "--simulate"},
    };
    Folder folder("usage");
    for (const auto& c : cases) {
        const Outcome r = folder.run(c.program, c.args);
        EXPECT_EQ(r.code, 2) << c.program.name << " " << c.named;
        EXPECT_TRUE(one_line(r.err)) << r.err;
        EXPECT_TRUE(contains(r.err, c.named)) << r.err;
        EXPECT_TRUE(contains(r.err, " --help »")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(folder.files().empty());
}

// -o (or --out) into a folder that does not exist yet: the folder is made.
TEST(CommandLine, OutputGoesIntoAFolderMadeWhenMissing) {
    const std::string root = example("naca2412.dat");
    const std::string tip = example("naca0012.dat");
    const struct {
        Program program;
        std::vector<std::string> args;
        std::vector<std::string> files;
    } cases[] = {
        {kStelmo,
         {"--dext", "80", "--out", "sortie/a/e.dat"},
         {"sortie", "sortie/a", "sortie/a/e.dat"}},
        {kCadrex, {"-o", "sortie/c.dat"}, {"sortie", "sortie/c.dat"}},
        {kAlyra,
         {"--root", root, "--tip", tip, "--nom", "Aile", "--long", "650", "-o", "sortie",
          "--save-project", "projets/Aile.alyra"},
         {"projets", "projets/Aile.alyra", "sortie", "sortie/Aile_Data_Troncon.txt",
          "sortie/Aile_Empl_C352,2_H20,0_L0.0_V,0.dat",
          "sortie/Aile_Saum_C352,2_H20,0_L785,7_V,0.dat"}},
        {kPlandor,
         {"--import", example("nervure.dxf"), "--out", "plans/n.cmg"},
         {"plans", "plans/n.cmg"}},
        {kPlandor, {"--export", "sortie/d.dxf", example("plan.cmg")}, {"sortie", "sortie/d.dxf"}},
        {kVexor,
         {"--simulate", example("nervure.dxf"), "--trace", "traces/t.csv"},
         {"coupe.dep", "traces", "traces/t.csv"}},
    };
    for (const auto& c : cases) {
        Folder folder("out");
        const Outcome r = folder.run(c.program, c.args);
        EXPECT_EQ(r.code, 0) << c.program.name << r.err;
        EXPECT_EQ(folder.files(), c.files) << c.program.name;
    }
}

// A run refused before it writes leaves the folder as it was, and says why
// in one French line.
TEST(CommandLine, ARefusedRunWritesNothing) {
    const std::string root = example("naca2412.dat");
    const std::string tip = example("naca0012.dat");
    const struct {
        Program program;
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {kStelmo,
         {"--dext", "abc", "-o", "sortie/e.dat"},
         "Le diamètre extérieur « abc » n'est pas un nombre."},
        {kStelmo,
         {"--dext", "50,5", "--dint", "50", "-o", "sortie/e.dat"},
         "différent du diamètre intérieur"},
        {kCadrex,
         {"--xse", "abc", "--xie", "", "-o", "sortie/c.dat"},
         "« abc » n'est pas un nombre"},
        {kStelmo, {"-o", "bloque/e.dat"}, "« bloque » existe et n'est pas un dossier"},
        // What cannot be a part is refused, its value named.
        {kStelmo,
         {"--dext", "80", "--dint", "90"},
         "Le diamètre intérieur « 90 » doit être plus petit que le diamètre extérieur « 80 »."},
        {kCadrex, {"--xse", "abc"}, "La hauteur Xsup extérieure « abc » n'est pas un nombre."},
        {kCadrex,
         {"--ep-const", "50"},
         "L'épaisseur « 50 » est plus grande que la demi-largeur extérieure « 40 »"},
        {kCadrex, {"--ye", "-40"}, "La demi-largeur extérieure « -40 » ne peut pas être négative."},
        {kCadrex, {"--xse", "1e9"}, "La hauteur Xsup extérieure « 1e9 » dépasse 10 m"},
        {kAlyra,
         {"--root", root, "--tip", tip, "--fleche", "abc"},
         "La flèche « abc » n'est pas un nombre."},
        {kAlyra,
         {"--root", root, "--tip", tip, "--corde-saum", "-100"},
         "La corde du saumon « -100 » ne peut pas être négative."},
        {kAlyra,
         {"--root", root, "--tip", tip, "--corde-empl", "1e9"},
         "La corde d'emplanture « 1e9 » dépasse 10 m"},
        // A profile written with decimal commas, its first such line named.
        {kAlyra,
         {"--root", root, "--tip", "virgule.dat"},
         "« virgule.dat » écrit ses nombres avec une virgule décimale, ligne 2 : « 1,00000 "
         "0,00000 »"},
        {kAlyra,
         {"--root", root, "--tip", tip, "--long", "abc", "-o", "sortie", "--save-project",
          "p.alyra"},
         "La longueur du tronçon « abc » n'est pas un nombre."},
        {kAlyra,
         {"--root", root, "--tip", tip, "-o", "bloque/sortie", "--save-project", "p.alyra"},
         "n'est pas un dossier"},
        // A file that cannot be read is refused with the system's reason.
        {kPlandor,
         {"--import", "absent.dxf", "-o", "sortie/p.cmg"},
         "Impossible d'ouvrir le fichier « absent.dxf » : introuvable."},
        {kAlyra,
         {"--root", "absent.dat", "--tip", tip},
         "Impossible d'ouvrir le fichier « absent.dat » : introuvable."},
        {kVexor,
         {"--simulate", "absent.dxf"},
         "Impossible d'ouvrir le fichier « absent.dxf » : introuvable."},
        {kVexor, {"--simulate", "vide.dxf", "--trace", "t.csv"}, "aucune entité POLYLINE ou LINE"},
        {kVexor,
         {"--simulate", example("nervure.dxf"), "--settings", "absent.conf"},
         "« absent.conf » : introuvable"},
    };
    for (const auto& c : cases) {
        Folder folder("refused");
        write_text(folder.path() / "bloque", "un fichier, pas un dossier");
        write_text(folder.path() / "vide.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
        write_text(folder.path() / "virgule.dat", "Profil\r\n1,00000 0,00000\r\n0,5 0,06\r\n");
        const Outcome r = folder.run(c.program, c.args);
        EXPECT_EQ(r.code, 1) << c.program.name << " " << c.message;
        // Only the notice of a decimal comma may come before the refusal's line.
        const std::size_t last = r.err.rfind('\n', r.err.size() - 2);
        const std::string before = last == std::string::npos ? "" : r.err.substr(0, last + 1);
        EXPECT_TRUE(one_line(r.err.substr(before.size()))) << r.err;
        EXPECT_TRUE(before.empty() ||
                    std::regex_match(before, std::regex("(« [^»]* » est lu [^\n]*\n)+")))
            << r.err;
        EXPECT_TRUE(contains(r.err, c.message)) << r.err;
        EXPECT_EQ(folder.files(), (std::vector<std::string>{"bloque", "vide.dxf", "virgule.dat"}))
            << c.message;
    }
}

// A decimal comma ends the number, as the windows read it: the run goes on
// and says what it read on a line of the error output.
TEST(CommandLine, ADecimalCommaIsReadAsInTheWindowsAndSaidSo) {
    const struct {
        Program program;
        std::vector<std::string> args;
        std::string notice;
        std::vector<std::string> files;
    } cases[] = {
        {kStelmo,
         {"--dext", "50,5"},
         "« 50,5 » est lu 50 : le séparateur décimal est le point\n",
         {"Etoile 50 30 10.dat"}},
        {kCadrex,
         {"--male", "2,5"},
         "« 2,5 » est lu 2 : le séparateur décimal est le point\n",
         {"Couple 100 - 40 - e 6.3 m.dat"}},
        {kAlyra,
         {"--root", example("naca2412.dat"), "--tip", example("naca2412.dat"), "--corde-empl",
          "280,5", "--corde-saum", "280", "--fleche", "0", "--nom", "A"},
         "« 280,5 » est lu 280 : le séparateur décimal est le point\n",
         {"A_Data_Troncon.txt", "A_Empl_C280,0_H20,0_L0.0_V,0.dat",
          "A_Saum_C280,0_H20,0_L400,0_V,0.dat"}},
    };
    for (const auto& c : cases) {
        Folder folder("comma");
        const Outcome r = folder.run(c.program, c.args);
        EXPECT_EQ(r.code, 0) << c.program.name << r.err;
        EXPECT_EQ(r.err, c.notice) << c.program.name;
        EXPECT_EQ(folder.files(), c.files) << c.program.name;
    }
}

// A job that fails midway leaves complete files only, and names them.
TEST(CommandLine, AFailureMidwayNamesTheFilesWritten) {
    Folder folder("midway");
    const std::string tip = "Aile_Saum_C352,2_H20,0_L785,7_V,0.dat";
    fs::create_directories(folder.path() / "sortie" / tip);  // a folder in the file's way
    const Outcome r = folder.run(
        kAlyra, {"--root", example("naca2412.dat"), "--tip", example("naca0012.dat"), "--nom",
                 "Aile", "--long", "650", "-o", "sortie", "--save-project", "Aile.alyra"});
    EXPECT_EQ(r.code, 1);
    // This panel's tip template crosses itself: that notice, then the failure on a line of its own.
    EXPECT_TRUE(contains(r.err, "se croise à 25 % de la corde")) << r.err;
    EXPECT_TRUE(one_line(r.err.substr(r.err.find("Impossible")))) << r.err;
    EXPECT_TRUE(
        contains(r.err, "« sortie/" + tip +
                            " » est un dossier. Déjà enregistrés : « "
                            "Aile_Data_Troncon.txt », « Aile_Empl_C352,2_H20,0_L0.0_V,0.dat "
                            "». Le projet « Aile.alyra » est enregistré."))
        << r.err;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{
                                  "Aile.alyra", "sortie", "sortie/Aile_Data_Troncon.txt",
                                  "sortie/Aile_Empl_C352,2_H20,0_L0.0_V,0.dat", "sortie/" + tip}));
}

// --screenshot renders the window after the options are applied: the
// defaults typed out give the same image, another value another image, and
// a refused value no image.
TEST(CommandLine, ScreenshotTakesTheBatchOptions) {
    const struct {
        Program program;
        std::vector<std::string> file;  // what the window opens, if anything
        std::vector<std::string> defaults;
        std::vector<std::string> changed;
        std::vector<std::string> refused;
    } cases[] = {
        {kStelmo, {}, {"--dext", "50", "--nbang", "20"}, {"--dext", "80"}, {"--nbrad", "x"}},
        {kCadrex,
         {},
         {"--ye", "40", "--prefix", "Couple"},
         {"--male", "3"},
         {"--xse", "-", "--xie", "0"}},
        // A drawing is shown whole unless a zoom is given.
        {kPlandor, {example("nervure.dxf")}, {"--zoom", "fit"}, {"--zoom", "0"}, {"--zoom", "x"}},
    };
    for (const auto& c : cases) {
        Folder folder("screenshot");
        auto shot = [&](std::vector<std::string> args, const char* png) {
            args.insert(args.end(), {"--screenshot", png});
            args.insert(args.end(), c.file.begin(), c.file.end());
            const Outcome r = folder.run(c.program, args);
            return r.code == 0 ? test_files::read_bytes(folder.path() / png) : r.err;
        };
        const std::string plain = shot({}, "plain.png");
        ASSERT_EQ(plain.rfind("\x89PNG", 0), 0u) << plain;
        EXPECT_EQ(shot(c.defaults, "defaults.png"), plain) << c.program.name;
        EXPECT_NE(shot(c.changed, "changed.png"), plain) << c.program.name;
        EXPECT_TRUE(contains(shot(c.refused, "refused.png"), "n'est pas un nombre"));
        EXPECT_FALSE(fs::exists(folder.path() / "refused.png"));
    }
}

// vexor --simulate says which settings it used and where they came from.
TEST(CommandLine, VexorNamesItsSettings) {
    const std::string dxf = example("nervure.dxf");
    Folder folder("settings");
    const Outcome defaults = folder.run(kVexor, {"--simulate", dxf});
    EXPECT_EQ(defaults.code, 0) << defaults.err;
    EXPECT_EQ(defaults.out.rfind("Réglages : valeurs par défaut (aucun fichier)\n"
                                 "Pas par mm : X 1 Y 1 Z 1\n"
                                 "Vitesses : déplacement XY 5 mm/s, Z 2 mm/s ; découpe XY 2 "
                                 "mm/s, Z 1 mm/s\n"
                                 "Descente : -2 mm\n"
                                 "Fichier : nervure.dxf\n",
                                 0),
              0u)
        << defaults.out;
    EXPECT_TRUE(contains(defaults.out, "Durée : 239.500 s (3 min 59.5 s)\n")) << defaults.out;

    fs::create_directories(folder.path() / "config/Ostrelo");
    fs::copy_file(example("Vexor.conf"), folder.path() / "config/Ostrelo/Vexor.conf");
    const Outcome user = folder.run(kVexor, {"--simulate", dxf});
    EXPECT_EQ(user.out.rfind("Réglages : ~/config/Ostrelo/Vexor.conf\nPas par mm : X 320 ", 0), 0u)
        << user.out;

    // Another file is used as it is, and the user's is left untouched.
    const std::string user_file =
        test_files::read_bytes(folder.path() / "config/Ostrelo/Vexor.conf");
    write_text(folder.path() / "lent.conf", "[Machine]\nStepX=10000000\n");
    const Outcome other = folder.run(kVexor, {"--simulate", dxf, "--settings", "lent.conf"});
    EXPECT_EQ(other.code, 0) << other.err;
    EXPECT_EQ(other.out.rfind("Réglages : lent.conf\nPas par mm : X 100 Y 1 Z 1\n", 0), 0u)
        << other.out;
    EXPECT_EQ(test_files::read_bytes(folder.path() / "config/Ostrelo/Vexor.conf"), user_file);
    EXPECT_EQ(test_files::read_bytes(folder.path() / "lent.conf"), "[Machine]\nStepX=10000000\n");
}

// Plandor's G-code export: the command line's settings over the stored ones
// (which stay as they were), a stored value it cannot use replaced by its
// default with a notice, and every refused value leaving no program.
TEST(CommandLine, PlandorExportsGcodeOverTheStoredSettings) {
    const std::string plan = example("plan.cmg");
    // A depth of 4 mm in two passes of 2 mm; a dialect the program does not know.
    const std::string stored = "[GCODE]\nPROFONDEUR=400\nPASSE=200\nDIALECTE=7\n";
    const struct {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> in_program;  // or the refusal, on the error output
    } cases[] = {
        {{},
         0,
         {"G21 G90 G17 G94", "(Profondeur : 4.000 mm en 2 passes de 2.000 mm", "G1 Z-4.000"}},
        {{"--dialect", "linuxcnc", "--depth", "3", "--pass-depth", "3", "--spindle", "12000"},
         0,
         {"%\n(Plan : plan)", "G64 P0.01", "M3 S12000", "G1 Z-3.000", "M2\n%"}},
        {{"--depth", "0"}, 1, {"La profondeur de coupe doit être supérieure à 0."}},
        {{"--pass-depth", "4", "--depth", "3"},
         1,
         {"La profondeur de passe ne peut pas dépasser la profondeur de coupe."}},
        {{"--pass-depth", "5"},
         1,
         {"La profondeur de passe ne peut pas dépasser la profondeur de coupe."}},
        {{"--feed", "abc"}, 1, {"« abc » n'est pas un nombre."}},
        {{"--safe-z", "-1"}, 1, {"La hauteur de sécurité doit être supérieure à 0."}},
        {{"--plunge", "0"}, 1, {"L'avance de plongée doit être supérieure à 0."}},
        {{"--dialect", "mach3"}, 1, {"« mach3 »"}},
    };
    for (const auto& c : cases) {
        Folder folder("gcode");
        fs::create_directories(folder.path() / "config/Ostrelo");
        write_text(folder.path() / "config/Ostrelo/Plandor.conf", stored);
        std::vector<std::string> args = {"--export-gcode", "sortie/p.nc", plan};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome r = folder.run(kPlandor, args);
        const std::string what = c.args.empty() ? "stored" : c.args[0] + " " + c.args[1];
        EXPECT_EQ(r.code, c.code) << what << r.err;
        // The unknown stored dialect is replaced, and said so, in every run.
        EXPECT_TRUE(contains(r.err, "GCODE/DIALECTE enregistré (7)")) << r.err;
        if (c.code == 0) {
            EXPECT_TRUE(contains(r.out, "Programme G-code enregistré dans sortie/p.nc")) << r.out;
            const std::string program = test_files::read_bytes(folder.path() / "sortie/p.nc");
            for (const std::string& part : c.in_program) {
                EXPECT_TRUE(contains(program, part)) << what << ": " << part << "\n" << program;
            }
        } else {
            EXPECT_TRUE(contains(r.err, c.in_program[0])) << r.err;
            EXPECT_EQ(folder.files(), std::vector<std::string>{}) << what;
        }
        EXPECT_EQ(test_files::read_bytes(folder.path() / "config/Ostrelo/Plandor.conf"), stored)
            << what;
    }
    // With the automatic plan, as one run.
    Folder folder("gcode_auto");
    const Outcome r = folder.run(kPlandor, {"--import", example("nervure.dxf"), "--curves",
                                            "--auto", "-o", "n.cmg", "--export-gcode", "n.nc"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"n.cmg", "n.nc"}));
    EXPECT_EQ(test_files::read_bytes(folder.path() / "n.nc").rfind("(Plan : n)\n", 0), 0u);
}

// What a first run of Plandor or Vexor tells the user beyond its result: a
// warning when the result is not what was asked, a hint that can be followed
// where the user is, the settings keys behind the defaults. `absent` must not
// be in either output.
TEST(CommandLine, PlandorAndVexorTellWhatTheRunLacks) {
    const struct {
        const char* what;
        Program program;
        std::vector<std::string> args;
        const char* stored;  // the program's settings file, nullptr for none
        int code;
        const char* written;               // a file whose text is read too, or nullptr
        std::vector<std::string> present;  // in the output, the errors or that file
        const char* absent;
    } cases[] = {
        {"the cut settings of the command line over the stored ones",
         kPlandor,
         {"--import", example("nervure.dxf"), "--auto", "--radius", "2", "--tab-width", "4",
          "--board", "600x300", "-o", "p.cmg"},
         "[FRAISE]\nTAILLE=50\n[PLANCHE]\nLONGUEUR=200\n",
         0,
         "p.cmg",
         {"RAYON-FRAISE 2.000000", "TAILLE-ATTACHE 4.000000", "LARGEUR-PLANCHE 300",
          "LONGUEUR-PLANCHE 600"},
         nullptr},
        {"a cutter radius out of range",
         kPlandor,
         {"--import", example("nervure.dxf"), "--radius", "7", "-o", "p.cmg"},
         nullptr,
         1,
         nullptr,
         {"--radius : « 7 » : le rayon de fraise doit être compris entre 0 et 5 mm."},
         nullptr},
        {"a board that is not a length by a width",
         kPlandor,
         {"--import", example("nervure.dxf"), "--board", "600", "-o", "p.cmg"},
         nullptr,
         1,
         nullptr,
         {"--board : « 600 » n'est pas une taille de planche"},
         nullptr},
        {"Plandor's settings keys",
         kPlandor,
         {"--help"},
         nullptr,
         0,
         nullptr,
         {"--radius MM", "--tab-width MM", "--board LxH", "[FRAISE] TAILLE",
          "centièmes de mm (100 : 1 mm)", "[PLANCHE] LONGUEUR, LARGEUR", "[GCODE] DIALECTE",
          "[Decoupe] SpeedXY"},
         nullptr},
        {"Vexor's settings keys",
         kVexor,
         {"--help"},
         nullptr,
         0,
         nullptr,
         {"[Machine] StepX, StepY, StepZ", "(32000000 :\n", "320 pas par mm", "[Descente] ZBas",
          "(-30 : -3 mm", "[Machine] CourseX", "[Port] PinXClk"},
         nullptr},
        {"an automatic plan of a drawing that is a cut plan already",
         kPlandor,
         {"--import", example("decoupe.dxf"), "--auto", "-o", "d.cmg"},
         nullptr,
         0,
         nullptr,
         {"Points d'accroche : 0 placés sur 4 demandés\nAttention : aucun point d'accroche sur "
          "les contours 0, 1 : trop peu de segments plus longs que la largeur d'un point "
          "d'accroche (5,0 mm).",
          "Ce dessin est déjà un plan de découpe : ses polylignes ouvertes 2, 3, 4, 5, 6, 7, 8, "
          "9, 10, 11, 12, 13 sont des contours coupés"},
         nullptr},
        {"an automatic plan asking more tabs than a part can hold",
         kPlandor,
         {"--import", example("nervure.dxf"), "--curves", "--auto", "--tabs", "50", "-o", "n.cmg"},
         nullptr,
         0,
         nullptr,
         {"\nAttention : moins de points d'accroche que demandé sur le contour 0 : "},
         "plan de découpe"},
        {"a simulation without machine settings",
         kVexor,
         {"--simulate", example("nervure.dxf")},
         nullptr,
         0,
         nullptr,
         {"Attention : les pas par mm de la machine ne sont pas réglés", "n'est pas à l'échelle"},
         nullptr},
        {"a simulation with the stored machine settings",
         kVexor,
         {"--simulate", example("nervure.dxf")},
         "[Machine]\nStepX=32000000\nStepY=32000000\nStepZ=32000000\n",
         0,
         nullptr,
         {"Pas par mm : X 320 Y 320 Z 320\n"},
         "Attention"},
        {"a drawing with curves the exact import passes over",
         kPlandor,
         {"--import", example("couple_courbes.dxf"), "-o", "c.cmg"},
         nullptr,
         0,
         nullptr,
         {"Les courbes ignorées s'importent avec l'option --curves.\n"},
         "Fichier >"},
        {"a drawing of curves only, in Plandor",
         kPlandor,
         {"--import", example("nervure_courbes.dxf"), "-o", "n.cmg"},
         nullptr,
         1,
         nullptr,
         {"se lisent avec l'option --curves."},
         "Fichier >"},
        {"a drawing of curves only, in Vexor",
         kVexor,
         {"--simulate", example("nervure_courbes.dxf")},
         nullptr,
         1,
         nullptr,
         {"importez-le dans Plandor avec l'option --curves",
          "plandor --import DESSIN.dxf --curves"},
         "Fichier >"},
    };
    for (const auto& c : cases) {
        Folder folder("lacks");
        if (c.stored != nullptr) {
            fs::create_directories(folder.path() / "config/Ostrelo");
            write_text(folder.path() / "config/Ostrelo" / (std::string(c.program.name) + ".conf"),
                       c.stored);
        }
        const Outcome r = folder.run(c.program, c.args);
        const std::string both =
            r.out + r.err +
            (c.written != nullptr ? test_files::read_bytes(folder.path() / c.written) : "");
        EXPECT_EQ(r.code, c.code) << c.what << "\n" << both;
        for (const std::string& part : c.present) {
            EXPECT_TRUE(contains(both, part)) << c.what << ": " << part << "\n" << both;
        }
        if (c.absent != nullptr) {
            EXPECT_FALSE(contains(both, c.absent)) << c.what << ": " << c.absent << "\n" << both;
        }
        if (c.code != 0) {
            EXPECT_EQ(folder.files(), std::vector<std::string>{}) << c.what;
        }
        if (c.stored != nullptr) {
            EXPECT_EQ(test_files::read_bytes(folder.path() / "config/Ostrelo" /
                                             (std::string(c.program.name) + ".conf")),
                      c.stored)
                << c.what;
        }
    }
}
