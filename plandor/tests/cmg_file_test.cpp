#include "cmg_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "c_format.h"
#include "plandor_doc.h"
#include "sample_plan.h"
#include "save_file.h"
#include "test_files.h"

using common::CPolyline;
using plandor::CCmgFile;
using plandor::CLiaison;
using plandor::CPlandorDoc;

namespace fs = std::filesystem;

namespace {

const fs::path kData = PLANDOR_TEST_DATA;

// The user's locale (French in the tests) is active while files are written.
struct UserLocale {
    UserLocale() { std::setlocale(LC_ALL, ""); }
    ~UserLocale() { std::setlocale(LC_ALL, "C"); }
};

const std::string kHeader =
    "VERSION-CMG 1.2 \n"
    "RAYON-FRAISE 1.000000 \n"
    "TAILLE-ATTACHE 5.000000 \n"
    "DEPLACEMENT-ATTACHE 5.000000 \n"
    "LARGEUR-PLANCHE 100 \n"
    "LONGUEUR-PLANCHE 1000 \n";

// A polyline block of `n` points on the x axis, without contour or group.
std::string block(int i, int n, const std::string& detourage = "DETROURAGE 0\n") {
    std::string s = "POLYLINE " + std::to_string(i) + " " + std::string(65, '*') + "\n";
    for (int k = 0; k < n; ++k) {
        s += "POINT-X " + std::to_string(k) + ".000000 " + std::to_string(k) + "\n";
        s += "POINT-Y 0.000000 " + std::to_string(k) + "\n";
    }
    return s + "FIN-POINTS 0\n" + detourage + "GROUPE 0\nEND-LINKED 0\nSTART-LINKED 0\n\n";
}

std::string link_block(int j, int from, int to) {
    return "LIAISON " + std::to_string(j) + "\nEND-INDEX " + std::to_string(to) + "\nSTART-INDEX " +
           std::to_string(from) +
           "\nSTART-X 0.000000\nSTART-Y 0.000000\nEND-X 1.000000\nEND-Y 2.000000\n\n";
}

struct Read {
    plandor::PlanTables plan;
    common::PolylineArray& polylines = plan.polylines;
    int& count = plan.polylineCount;
    plandor::LinkArray& links = plan.links;
    int& linkCount = plan.linkCount;
    CCmgFile cmg;
    std::string error;
    bool ok = false;
};

std::unique_ptr<Read> read_text(const std::string& text) {
    auto r = std::make_unique<Read>();
    r->count = -1;
    r->linkCount = -1;
    r->ok = r->cmg.read_bytes(text, r->plan, r->error);
    return r;
}

// A value as it comes back from the file: "%f" keeps six decimals.
float written(float v) {
    float back = 0;
    EXPECT_TRUE(common::scan_f(common::format_f(v).c_str(), back));
    return back;
}

void expect_same(const CPolyline& read, const CPolyline& made, const std::string& where) {
    SCOPED_TRACE(where);
    ASSERT_EQ(read.nbPoints, made.nbPoints);
    for (int k = 0; k < made.nbPoints; ++k) {
        EXPECT_EQ(read.points[k].x, written(made.points[k].x));
        EXPECT_EQ(read.points[k].y, written(made.points[k].y));
        EXPECT_EQ(read.points[k].z, 0.0f) << "z is not kept in the file";
    }
    EXPECT_EQ(read.detourage, made.detourage);
    ASSERT_EQ(read.nbOffsetPoints, made.nbOffsetPoints);
    for (int j = 0; j < made.nbOffsetPoints; ++j) {
        EXPECT_EQ(read.offsetPoints[j].x, written(made.offsetPoints[j].x));
        EXPECT_EQ(read.offsetPoints[j].y, written(made.offsetPoints[j].y));
        ASSERT_EQ(read.has_tab(j), made.has_tab(j)) << j;
        if (made.has_tab(j)) {
            const common::CAttache& a = *read.tabs[j];
            const common::CAttache& b = *made.tabs[j];
            EXPECT_EQ(a.x1, written(b.x1));
            EXPECT_EQ(a.y1, written(b.y1));
            EXPECT_EQ(a.x2, written(b.x2));
            EXPECT_EQ(a.y2, written(b.y2));
            EXPECT_EQ(a.decalage, written(b.decalage));
            EXPECT_EQ(a.largeur, written(b.largeur));
        }
    }
    EXPECT_EQ(read.permute, made.permute);
    EXPECT_EQ(read.taille, made.taille);
    EXPECT_EQ(read.end_linked(), made.end_linked());
    EXPECT_EQ(read.start_linked(), made.start_linked());
    EXPECT_EQ(read.selected(), 0);
    ASSERT_EQ(read.nbMembers, made.nbMembers);
    for (int m = 0; m < made.nbMembers; ++m) {
        expect_same(*read.members[m], *made.members[m], where + " member " + std::to_string(m));
    }
}

}  // namespace

TEST(CmgFile, PlanWithEveryKindOfRecordIsWrittenByteForByte) {
    UserLocale french;
    test_files::TempDir dir("cmg_golden");
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    sample_plan::fill(doc);
    std::string error;
    ASSERT_EQ(doc.save_document((dir.path / "plan.cmg").string(), error), 1) << error;
    EXPECT_EQ(test_files::read_bytes(dir.path / "plan.cmg"),
              test_files::read_bytes(kData / "plan_complet.cmg"));
}

TEST(CmgFile, RoundTripGivesBackEveryRecord) {
    UserLocale french;
    platform::MemorySettingsStore store;
    CPlandorDoc made(store);
    sample_plan::fill(made);
    CPlandorDoc read(store);
    std::string error;
    ASSERT_EQ(read.open_document((kData / "plan_complet.cmg").string(), error), 1) << error;

    EXPECT_EQ(read.cutterRadius, 1.5f);
    EXPECT_EQ(read.tabWidth, 4.0f);
    EXPECT_EQ(read.tabStep, 2.0f);
    EXPECT_EQ(read.boardWidth, 300);
    EXPECT_EQ(read.boardLength, 600);
    ASSERT_EQ(read.polylineCount, made.polylineCount);
    for (int i = 0; i < made.polylineCount; ++i) {
        expect_same(*read.polylines[i], *made.polylines[i], "polyline " + std::to_string(i));
    }
    ASSERT_EQ(read.linkCount, made.linkCount);
    for (int j = 0; j < made.linkCount; ++j) {
        const CLiaison& a = *read.links[j];
        const CLiaison& b = *made.links[j];
        EXPECT_EQ(a.startIndex, b.startIndex);
        EXPECT_EQ(a.endIndex, b.endIndex);
        EXPECT_EQ(a.startX, written(b.startX));
        EXPECT_EQ(a.startY, written(b.startY));
        EXPECT_EQ(a.endX, written(b.endX));
        EXPECT_EQ(a.endY, written(b.endY));
    }
    EXPECT_EQ(read.hasPath, 1);
    EXPECT_EQ(read.contentLoaded, 1);
    EXPECT_EQ(read.path, (kData / "plan_complet.cmg").string());

    // Written again, the document read gives the same file, which becomes its
    // path.
    test_files::TempDir dir("cmg_again");
    ASSERT_EQ(read.save_document((dir.path / "again.cmg").string(), error), 1) << error;
    EXPECT_EQ(test_files::read_bytes(dir.path / "again.cmg"),
              test_files::read_bytes(kData / "plan_complet.cmg"));
    EXPECT_EQ(read.path, (dir.path / "again.cmg").string());

    // The nested group comes back whole, and so does its explode.
    CPolyline& group = *read.polylines[2];
    ASSERT_EQ(group.members[1]->nbMembers, 1);
    EXPECT_EQ(read.explode_polyline(2, error), 1) << error;
    EXPECT_EQ(read.polylines[2]->nbPoints, 2);
    EXPECT_EQ(read.polylineCount, 6);
}

TEST(CmgFile, EmptyDocumentIsTheSettingsAndTheLinkLine) {
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    CCmgFile cmg;
    cmg.cutterRadius = doc.cutterRadius;
    cmg.tabWidth = doc.tabWidth;
    cmg.tabStep = doc.tabStep;
    cmg.boardWidth = doc.boardWidth;
    cmg.boardLength = doc.boardLength;
    const std::string text = cmg.text(plandor::PlanTables{});
    EXPECT_EQ(text, kHeader + "DEBUT-LIAISON 0\n");

    test_files::TempDir dir("cmg_empty");
    std::string error;
    ASSERT_EQ(doc.save_document((dir.path / "vide.cmg").string(), error), 1) << error;
    EXPECT_EQ(test_files::read_bytes(dir.path / "vide.cmg"), text);

    store.write_int("PLANCHE", "LARGEUR", 42);
    CPlandorDoc other(store);
    ASSERT_EQ(other.open_document((dir.path / "vide.cmg").string(), error), 1) << error;
    EXPECT_EQ(other.polylineCount, 0);
    EXPECT_EQ(other.linkCount, 0);
    EXPECT_EQ(other.boardWidth, 100) << "the file's settings replace the user's";
}

TEST(CmgFile, OnlyVersionOnePointTwoIsRead) {
    auto loads = read_text("VERSION-CMG 1.20\r\n" + kHeader.substr(17) + block(0, 2));
    EXPECT_EQ(loads->ok, 1);
    EXPECT_EQ(loads->count, 1) << "CR LF lines read as LF lines";

    for (const std::string& text : {"VERSION-CMG 1.3 \n" + kHeader.substr(17), kHeader.substr(17),
                                    std::string(), "version-cmg 1.2\n" + kHeader.substr(17)}) {
        auto r = read_text(text);
        EXPECT_EQ(r->ok, 0) << text;
        EXPECT_EQ(r->error, plandor::kWrongVersionMessage);
        EXPECT_EQ(r->count, 0);
    }

    // Opening such a file leaves the document as it was.
    test_files::TempDir dir("cmg_version");
    const fs::path file = dir.path / "ancien.cmg";
    ASSERT_TRUE(platform::save_file(file.string(), "VERSION-CMG 1.3 \n" + kHeader.substr(17)));
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    sample_plan::fill(doc);
    doc.contentLoaded = 1;
    std::string error;
    EXPECT_EQ(doc.open_document(file.string(), error), 0);
    EXPECT_EQ(error, plandor::kWrongVersionMessage);
    EXPECT_EQ(doc.polylineCount, 4);
    EXPECT_EQ(doc.contentLoaded, 1);
}

TEST(CmgFile, OpenRefusesWhatIsNoPlanAndKeepsTheDocument) {
    test_files::TempDir dir("cmg_extension");
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    sample_plan::fill(doc);
    std::string error;
    // Other names, and files named as plans that hold none (a drawing, nothing).
    const std::pair<const char*, std::string> files[] = {
        {"PLAN.CMG", kHeader + "DEBUT-LIAISON 0\n"},
        {"plan.cmg.bak", kHeader + "DEBUT-LIAISON 0\n"},
        {"plan", kHeader + "DEBUT-LIAISON 0\n"},
        {"plan.cmgx", kHeader + "DEBUT-LIAISON 0\n"},
        {"dessin.cmg", "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\n"},
        {"vide.cmg", ""}};
    for (const auto& [name, content] : files) {
        const fs::path file = dir.path / name;
        ASSERT_TRUE(platform::save_file(file.string(), content));
        error.clear();
        EXPECT_EQ(doc.check_open(file.string(), error), 0) << name;
        EXPECT_EQ(doc.open_document(file.string(), error), 0) << name;
        EXPECT_EQ(error, plandor::kNotCmgMessage) << name;
        EXPECT_EQ(doc.polylineCount, 4) << name;
    }
    EXPECT_EQ(doc.open_document((dir.path / "absent.cmg").string(), error), 0);
    EXPECT_NE(error.find("Impossible d'ouvrir"), std::string::npos) << error;
    EXPECT_EQ(doc.polylineCount, 4);
}

TEST(CmgFile, SettingsLinesTakeTheirValueOnlyUnderTheirKeyword) {
    auto r = read_text(
        "VERSION-CMG 1.2 \n"
        "RAYON-FRAISE 2.5 \n"
        "TAILLE-ATTACHE\n"
        "DEPLACEMENT 7 \n"
        "LARGEUR-PLANCHE 250.9 \n"
        "LONGUEUR-PLANCHE -3.7 \n"
        "DEBUT-LIAISON 0\n");
    ASSERT_EQ(r->ok, 1);
    EXPECT_EQ(r->cmg.cutterRadius, 2.5f);
    EXPECT_EQ(r->cmg.tabWidth, 0.0f) << "a keyword without a number gives 0";
    EXPECT_EQ(r->cmg.tabStep, 0.0f) << "another keyword gives nothing";
    EXPECT_EQ(r->cmg.boardWidth, 250) << "integers are truncated toward zero";
    EXPECT_EQ(r->cmg.boardLength, -3);

    // Through the document: a wrong keyword keeps the current setting.
    test_files::TempDir dir("cmg_settings");
    const fs::path file = dir.path / "plan.cmg";
    ASSERT_TRUE(platform::save_file(file.string(),
                                    "VERSION-CMG 1.2 \nRAYON-FRAISE 2.5 \nTAILLE 3 \n"
                                    "DEPLACEMENT-ATTACHE 1.5 \nLARGEUR-PLANCHE 250.9 \n"
                                    "LONGUEUR 10 \nDEBUT-LIAISON 0\n"));
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    std::string error;
    ASSERT_EQ(doc.open_document(file.string(), error), 1) << error;
    EXPECT_EQ(doc.cutterRadius, 2.5f);
    EXPECT_EQ(doc.tabWidth, 5.0f);
    EXPECT_EQ(doc.tabStep, 1.5f);
    EXPECT_EQ(doc.boardWidth, 250);
    EXPECT_EQ(doc.boardLength, 1000);
}

TEST(CmgFile, FirstBlockThatDoesNotParseEndsItsList) {
    const std::string links = "DEBUT-LIAISON 0\n" + link_block(0, -1, 0) + link_block(1, 0, 1);
    auto whole = read_text(kHeader + block(0, 2) + block(1, 3) + links);
    ASSERT_EQ(whole->ok, 1);
    EXPECT_EQ(whole->count, 2);
    EXPECT_EQ(whole->linkCount, 2);
    EXPECT_EQ(whole->links[1]->startIndex, 0);
    EXPECT_EQ(whole->links[1]->endY, 2.0f);

    // Each of these in polyline 1 ends the polylines there, and the links
    // with them; polyline 0 is kept.
    const std::string contour =
        "DETROURAGE 1\nDETROURAGE-X 0 0\nDETROURAGE-Y 1 0\nATTACHE 0\n"
        "DETROURAGE-X 1 1\nDETROURAGE-Y 1 1\nATTACHE 2\nFIN-DETROURAGE 0\n";
    for (const std::string& bad :
         {block(1, 2, "DETROURAGE -1\n"), block(1, 2, "DETROURAGE 3\n"), block(1, 2, contour),
          block(1, 3, "DETROURAGE 0.5\n"), block(1, 2, "DETOURAGE 0\n")}) {
        auto r = read_text(kHeader + block(0, 2) + bad + block(2, 2) + links);
        EXPECT_EQ(r->ok, 1);
        EXPECT_EQ(r->count, 1) << bad;
        EXPECT_EQ(r->linkCount, 0) << bad;
        EXPECT_EQ(r->polylines[0]->nbPoints, 2);
    }

    // A contour must have one point per outline point.
    const std::string short_contour =
        "DETROURAGE 2\nDETROURAGE-X 0 0\nDETROURAGE-Y 1 0\nATTACHE 0\n"
        "DETROURAGE-X 1 1\nDETROURAGE-Y 1 1\nATTACHE 0\nFIN-DETROURAGE 0\n";
    EXPECT_EQ(read_text(kHeader + block(0, 3, short_contour) + links)->count, 0);
    auto fits = read_text(kHeader + block(0, 2, short_contour) + "DEBUT-LIAISON 0\n" +
                          link_block(0, -1, 0));
    EXPECT_EQ(fits->count, 1);
    EXPECT_EQ(fits->plan.polylines[0]->detourage, common::OffsetSide::right);
    EXPECT_EQ(fits->linkCount, 1);

    // A member with a contour, and a broken link, end their lists too.
    const std::string member_with_contour =
        "POLYLINE 0 *\nPOINT-X 1 0\nPOINT-Y 1 0\nFIN-POINTS 0\nDETROURAGE 0\nGROUPE 1\n"
        "POLYLINE-GROUPE 0\nFIN-POINTS 0\nDETROURAGE 1\nGROUPE 0\nNEXT 0\nPERMUTE 0\n"
        "TAILLE 1\nFIN-GROUPE 0\nEND-LINKED 0\nSTART-LINKED 0\n\n";
    EXPECT_EQ(read_text(kHeader + member_with_contour + links)->count, 0);
    auto broken = read_text(kHeader + block(0, 2) + "DEBUT-LIAISON 0\n" + link_block(0, -1, 0) +
                            "LIAISON 1\nSTART-INDEX 0\n" + link_block(2, 0, 1));
    EXPECT_EQ(broken->linkCount, 1);
}

TEST(CmgFile, ABadNumberOrAStrayLinkRefusesTheFileAtItsLine) {
    // Lines 1 to 6 are the header; block(0, 2) takes lines 7 to 18.
    const std::string contour =
        "DETROURAGE 1\nDETROURAGE-X 0 0\nDETROURAGE-Y 1 0\nATTACHE 0\n"
        "DETROURAGE-X 1 1\nDETROURAGE-Y 1 1\nATTACHE 0\nFIN-DETROURAGE 0\n";
    auto with_line = [&](int line, const std::string& text) {
        std::string plan =
            kHeader + block(0, 2, contour) + "DEBUT-LIAISON 0\n" + link_block(0, -1, 0);
        size_t at = 0;
        for (int l = 1; l < line; ++l) {
            at = plan.find('\n', at) + 1;
        }
        return plan.replace(at, plan.find('\n', at) - at, text);
    };
    struct Case {
        std::string plan;
        const char* refusal;
    };
    const Case cases[] = {
        {with_line(8, "POINT-X nan 0"), "ligne 8 : « POINT-X nan 0 » n'a pas un nombre"},
        {with_line(9, "POINT-Y 1e999 0"), "ligne 9 : « POINT-Y 1e999 0 »"},
        {with_line(14, "DETROURAGE-Y -inf 0"), "ligne 14 : « DETROURAGE-Y -inf 0 »"},
        {with_line(2, "RAYON-FRAISE abc\x1b[0m"), "ligne 2 : « RAYON-FRAISE abc?[0m »"},
        {with_line(27, "END-INDEX 1"),
         "ligne 26 : la liaison 0 relie la polyligne 1, qui n'existe"},
        {with_line(28, "START-INDEX -2"), "ligne 26 : la liaison 0 relie la polyligne -2"},
    };
    for (const Case& c : cases) {
        auto r = read_text(c.plan);
        EXPECT_EQ(r->ok, 0) << c.refusal;
        EXPECT_NE(r->error.find(c.refusal), std::string::npos) << r->error;
        EXPECT_EQ(r->count + r->linkCount, 0) << "nothing is kept";
        EXPECT_FALSE(r->polylines[0]);
    }
    auto good = read_text(with_line(8, "POINT-X -0.5 0"));
    EXPECT_EQ(good->ok, 1) << good->error;
    EXPECT_EQ(good->linkCount, 1);
}

TEST(CmgFile, TableLimitsEndTheListsWithoutWritingPastThem) {
    std::string many;
    for (int i = 0; i < 201; ++i) {
        many += block(i, 1);
    }
    auto r = read_text(kHeader + many + "DEBUT-LIAISON 0\n" + link_block(0, -1, 0));
    EXPECT_EQ(r->count, 200);
    EXPECT_EQ(r->linkCount, 0) << "the list ended inside the polylines";

    // 200 polylines exactly: the links that follow are read.
    many.clear();
    for (int i = 0; i < 200; ++i) {
        many += block(i, 1);
    }
    std::string links = "DEBUT-LIAISON 0\n";
    for (int j = 0; j < 201; ++j) {
        links += link_block(j, j - 1, j);
    }
    r = read_text(kHeader + many + links);
    EXPECT_EQ(r->count, 200);
    EXPECT_EQ(r->linkCount, 200);

    // Points: 101 fit (a closed entity of 100 vertices), 102 do not.
    EXPECT_EQ(read_text(kHeader + block(0, 101) + block(1, 102))->count, 1);

    // Members: 50 fit, the 51st ends the list.
    auto group = [](int members) {
        std::string s = "POLYLINE 0 *\nFIN-POINTS 0\nDETROURAGE 0\nGROUPE ";
        for (int m = 0; m < members; ++m) {
            s += "1\nPOLYLINE-GROUPE " + std::to_string(m) +
                 "\nPOINT-X 1 0\nPOINT-Y 2 0\nFIN-POINTS 0\nDETROURAGE 0\nGROUPE 0\nNEXT ";
        }
        return s + "0\nPERMUTE 1\nTAILLE 0\nFIN-GROUPE 0\nEND-LINKED 0\nSTART-LINKED 0\n\n";
    };
    r = read_text(kHeader + group(50) + group(51));
    EXPECT_EQ(r->count, 1);
    EXPECT_EQ(r->polylines[0]->nbMembers, 50);
    EXPECT_EQ(r->polylines[0]->permute, 1);

    // Groups nested past any drawing's depth end the list too.
    std::string deep = "POLYLINE 0 *\nFIN-POINTS 0\nDETROURAGE 0\nGROUPE 1\n";
    for (int d = 0; d < 300; ++d) {
        deep += "POLYLINE-GROUPE 0\nFIN-POINTS 0\nDETROURAGE 0\nGROUPE 1\n";
    }
    EXPECT_EQ(read_text(kHeader + deep)->count, 0);

    // A line longer than 199 characters is read as two lines.
    std::string long_keyword = kHeader + block(0, 1);
    long_keyword.replace(long_keyword.find("POLYLINE 0 "), 11,
                         "POLYLINE 0 " + std::string(200, ' '));
    EXPECT_EQ(read_text(long_keyword)->count, 0);
}
