#include "plandor_doc.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "test_files.h"

#include <filesystem>
#include <fstream>

using common::CPolyline;
using common::Point3;
using plandor::CLiaison;
using plandor::CPlandorDoc;

namespace fs = std::filesystem;

namespace {

// A one-point polyline whose x tells which one it is.
std::unique_ptr<CPolyline> marked(float x) {
    auto p = std::make_unique<CPolyline>();
    p->points[0] = {x, 0, 0};
    p->nbPoints = 1;
    return p;
}

std::unique_ptr<CLiaison> link(int from, int to) {
    auto l = std::make_unique<CLiaison>();
    l->startIndex = from;
    l->endIndex = to;
    return l;
}

}  // namespace

TEST(PlandorDoc, SettingsComeFromTheStoreInHundredthsOfAMillimetre) {
    platform::MemorySettingsStore store;
    CPlandorDoc defaults(store);
    EXPECT_EQ(defaults.cutterRadius, 1.0f);
    EXPECT_EQ(defaults.tabWidth, 5.0f);
    EXPECT_EQ(defaults.tabStep, 5.0f);
    EXPECT_EQ(defaults.boardWidth, 100);
    EXPECT_EQ(defaults.boardLength, 1000);
    EXPECT_EQ(defaults.scrollWidth, 20000);
    EXPECT_EQ(defaults.scrollHeight, 20000);

    store.write_int("FRAISE", "TAILLE", 150);
    store.write_int("ATTACHE", "TAILLE", 250);
    store.write_int("ATTACHE", "DEPLACEMENT", 100);
    store.write_int("PLANCHE", "LARGEUR", 10);
    store.write_int("PLANCHE", "LONGUEUR", 1000);
    CPlandorDoc doc(store);
    EXPECT_EQ(doc.cutterRadius, 1.5f);
    EXPECT_EQ(doc.tabWidth, 2.5f);
    EXPECT_EQ(doc.tabStep, 1.0f);
    EXPECT_EQ(doc.boardWidth, 10);
    EXPECT_EQ(doc.boardLength, 1000);
    EXPECT_TRUE(doc.settingsNotices.empty());

    // Outside what the preferences dialog accepts: the default, and a notice.
    store.write_int("FRAISE", "TAILLE", -1);
    store.write_int("ATTACHE", "DEPLACEMENT", 1);
    store.write_int("PLANCHE", "LONGUEUR", 1200);
    CPlandorDoc replaced(store);
    EXPECT_EQ(replaced.cutterRadius, 1.0f);
    EXPECT_EQ(replaced.tabWidth, 2.5f);
    EXPECT_EQ(replaced.tabStep, 5.0f);
    EXPECT_EQ(replaced.boardLength, 1000);
    ASSERT_EQ(replaced.settingsNotices.size(), 3u);
    EXPECT_EQ(replaced.settingsNotices[2],
              "Le réglage PLANCHE/LONGUEUR enregistré (1200) sort de l'intervalle 10 à 1000 : "
              "la valeur par défaut 1000 est utilisée.");
}

TEST(PlandorDoc, RemovingAPolylineShiftsLaterOnesAndTheLinkIndices) {
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(doc.add_polyline(marked(static_cast<float>(i))), 1);
    }
    doc.add_link(link(5, 7));
    doc.add_link(link(-1, 2));
    doc.add_link(link(3, 9));

    const CPolyline* third = doc.polylines[3].get();
    std::unique_ptr<CPolyline> removed = doc.remove_polyline(3);
    EXPECT_EQ(removed.get(), third) << "the removed polyline goes to the caller, not deleted";
    ASSERT_EQ(doc.polylineCount, 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(doc.polylines[static_cast<size_t>(i)]->points[0].x, i < 3 ? i : i + 1);
    }
    EXPECT_FALSE(doc.polylines[9]);
    EXPECT_EQ(doc.links[0]->startIndex, 4);
    EXPECT_EQ(doc.links[0]->endIndex, 6);
    EXPECT_EQ(doc.links[1]->startIndex, -1);
    EXPECT_EQ(doc.links[1]->endIndex, 2);
    EXPECT_EQ(doc.links[2]->startIndex, 3) << "a link to the removed one is left as it is";
    EXPECT_EQ(doc.links[2]->endIndex, 8);

    EXPECT_EQ(doc.remove_polyline(9), nullptr);
    EXPECT_EQ(doc.remove_polyline(-1), nullptr);
    EXPECT_EQ(doc.polylineCount, 9);
}

TEST(PlandorDoc, DeselectAllAndEmpty) {
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    doc.add_polyline(marked(0));
    doc.add_polyline(marked(1));
    doc.polylines[1]->set_selected(1);
    doc.add_link(link(-1, 1));
    doc.links[0]->selected = 1;
    doc.deselect_all();
    EXPECT_EQ(doc.polylines[1]->selected(), 0);
    EXPECT_EQ(doc.links[0]->selected, 0);

    doc.hasPath = 1;
    doc.contentLoaded = 1;
    doc.empty();
    EXPECT_EQ(doc.polylineCount, 0);
    EXPECT_EQ(doc.linkCount, 0);
    EXPECT_FALSE(doc.polylines[0]);
    EXPECT_FALSE(doc.links[0]);
    EXPECT_EQ(doc.viewResetPending, 1);
    EXPECT_EQ(doc.hasPath, 0);
    EXPECT_EQ(doc.contentLoaded, 1) << "only New clears it";
}

TEST(PlandorDoc, JoinTakesTheSecondPolylineOutAndKeepsTheFirstSelected) {
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    for (int i = 0; i < 4; ++i) {
        doc.add_polyline(marked(static_cast<float>(10 * i)));
    }
    doc.add_link(link(-1, 3));
    doc.polylines[3]->set_end_linked(1);
    std::string error;
    int joined = -1;
    ASSERT_EQ(doc.join_polylines(2, 0, error, &joined), 1) << error;
    EXPECT_EQ(joined, 1);
    EXPECT_EQ(doc.polylineCount, 3);
    const CPolyline& group = *doc.polylines[1];
    EXPECT_EQ(group.nbPoints, 2);
    EXPECT_EQ(group.points[1].x, 0);
    EXPECT_EQ(group.selected(), 1);
    EXPECT_EQ(doc.links[0]->endIndex, 2);

    EXPECT_EQ(doc.join_polylines(1, 2, error), 0) << "a linked polyline";
    EXPECT_NE(error.find("liaison"), std::string::npos);
    EXPECT_EQ(doc.join_polylines(1, 1, error), 0);
    EXPECT_EQ(doc.join_polylines(1, 3, error), 0);
    EXPECT_EQ(doc.polylineCount, 3);

    ASSERT_EQ(doc.explode_polyline(1, error), 1) << error;
    EXPECT_EQ(doc.polylineCount, 4);
    EXPECT_EQ(doc.polylines[1]->nbPoints, 1);
    EXPECT_EQ(doc.polylines[3]->points[0].x, 0);
    EXPECT_EQ(doc.explode_polyline(2, error), 0) << "linked";
}

TEST(PlandorDoc, ImportFillsAFreshDocumentOnce) {
    test_files::TempDir dir("plandor_doc_test");
    const fs::path file = dir.path / "piece.dxf";
    {
        std::ofstream out(file);
        out << "  0\nSECTION\n  2\nENTITIES\n"
               "  0\nPOLYLINE\n 70\n1\n  0\nVERTEX\n 10\n0\n 20\n0\n 30\n2.5\n"
               "  0\nVERTEX\n 10\n10\n 20\n0\n 30\n2.5\n  0\nVERTEX\n 10\n10\n 20\n10\n"
               "  0\nSEQEND\n  0\nLINE\n 10\n0\n 20\n0\n 11\n10\n 21\n5\n  0\nENDSEC\n  0\nEOF\n";
    }
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    std::string error;
    ASSERT_EQ(doc.import_dxf(file.string(), error), 1) << error;
    EXPECT_EQ(doc.contentLoaded, 1);
    ASSERT_EQ(doc.polylineCount, 2);
    const CPolyline& closed = *doc.polylines[0];
    ASSERT_EQ(closed.nbPoints, 4);
    EXPECT_EQ(closed.points[1], (Point3{10, 0, 2.5f}));
    EXPECT_EQ(closed.points[3], (Point3{0, 0, 2.5f}));
    EXPECT_EQ(closed.selected(), 0);
    EXPECT_EQ(doc.polylines[1]->nbPoints, 2);

    EXPECT_EQ(doc.import_dxf(file.string(), error), 0) << "only into a fresh document";
    EXPECT_EQ(doc.polylineCount, 2);

    CPlandorDoc other(store);
    EXPECT_EQ(other.import_dxf((dir.path / "absent.dxf").string(), error), 0);
    EXPECT_NE(error.find("absent.dxf"), std::string::npos) << error;
    EXPECT_EQ(other.polylineCount, 0);
    EXPECT_EQ(other.contentLoaded, 1);
}

namespace {

std::string dxf_entities(const std::string& entities, int insunits = 4) {
    return "  0\nSECTION\n  2\nHEADER\n  9\n$INSUNITS\n 70\n" + std::to_string(insunits) +
           "\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

std::string dxf_circle(int x, int r) {
    return "  0\nCIRCLE\n 10\n" + std::to_string(x) + "\n 20\n0\n 40\n" + std::to_string(r) + "\n";
}

std::string dxf_line(int x1, int y1, int x2, int y2) {
    return "  0\nLINE\n 10\n" + std::to_string(x1) + "\n 20\n" + std::to_string(y1) + "\n 11\n" +
           std::to_string(x2) + "\n 21\n" + std::to_string(y2) + "\n";
}

void write(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

}  // namespace

// The curve import: a rib of two lines and two arcs in any order and a hole
// too long for the table become two closed polylines, and the report says
// what was read, passed over, simplified, converted and left out.
TEST(PlandorDoc, CurveImportFillsAFreshDocumentAndSaysWhatItDid) {
    test_files::TempDir dir("plandor_doc_curves");
    const fs::path rib = dir.path / "nervure.dxf";
    write(rib, dxf_entities(dxf_line(110, 10, 10, 10) +
                            "  0\nARC\n 10\n10\n 20\n5\n 40\n5\n 50\n90\n 51\n270\n" +
                            dxf_line(10, 0, 110, 0) + dxf_circle(60, 100) +
                            "  0\nARC\n 10\n110\n 20\n5\n 40\n5\n 50\n270\n 51\n90\n" +
                            "  0\nTEXT\n  1\nLINE\n"));
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    std::string report;
    std::string error;
    ASSERT_TRUE(doc.import_dxf_curves(rib.string(), error, &report)) << error;
    EXPECT_EQ(report,
              "2 contours importés (2 fermés)\n"
              "Entités lues : LINE 2, ARC 2, CIRCLE 1\n"
              "Entités ignorées : TEXT 1\n"
              "contour 2 : 100 points, écart maximal 0,05 mm (plus de 0,02 mm : trop de détails "
              "pour 100 points)\n");
    ASSERT_EQ(doc.polylineCount, 2);
    const CPolyline& outline = *doc.polylines[0];
    EXPECT_EQ(outline.points[0], (Point3{110, 10, 0}));
    EXPECT_EQ(outline.points[outline.nbPoints - 1], outline.points[0]);
    EXPECT_EQ(doc.polylines[1]->nbPoints, 100);
    EXPECT_EQ(doc.contentLoaded, 1);
    EXPECT_FALSE(doc.import_dxf_curves(rib.string(), error, &report))
        << "only into a fresh document";
    EXPECT_EQ(doc.polylineCount, 2);

    CPlandorDoc failed(store);
    EXPECT_FALSE(failed.import_dxf_curves((dir.path / "absent.dxf").string(), error, &report));
    EXPECT_NE(error.find("absent.dxf"), std::string::npos) << error;
    EXPECT_EQ(failed.contentLoaded, 0) << "a file that cannot be read leaves it fresh";

    std::string holes;
    for (int i = 0; i < 205; ++i) {
        holes += dxf_circle(i * 10, 1);
    }
    const fs::path many = dir.path / "trous.dxf";
    write(many, dxf_entities(holes, 1));
    ASSERT_TRUE(failed.import_dxf_curves(many.string(), error, &report)) << error;
    EXPECT_EQ(failed.polylineCount, 199);
    std::string simplified;
    for (int k = 1; k <= 10; ++k) {
        simplified += "contour " + std::to_string(k) + " : 97 points, écart maximal 0,01 mm\n";
    }
    EXPECT_EQ(report,
              "199 contours importés (199 fermés)\n"
              "Unités du dessin : pouces, converties en mm\n"
              "Entités lues : CIRCLE 205\n" +
                  simplified +
                  "et 189 autres contours simplifiés, écart maximal 0,01 mm\n"
                  "6 contours laissés de côté : un document tient au plus 199 polylignes.\n");
    EXPECT_FLOAT_EQ(failed.polylines[198]->points[0].x, 1980 * 25.4f + 25.4f);
}

// The exact import now says what it cut, passed over and left out, and where
// the curves it passed over can be read.
TEST(PlandorDoc, ExactImportReportsWhatItCutPassedOverAndLeftOut) {
    test_files::TempDir dir("plandor_doc_exact");
    std::string entities = "  0\nPOLYLINE\n 70\n0\n";
    for (int i = 0; i < 150; ++i) {
        entities += "  0\nVERTEX\n 10\n" + std::to_string(i) + "\n 20\n0\n";
    }
    entities += "  0\nSEQEND\n" + dxf_circle(0, 5);
    for (int i = 0; i < 205; ++i) {
        entities += dxf_line(i, 0, i, 1);
    }
    const fs::path file = dir.path / "exact.dxf";
    write(file, dxf_entities(entities));
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    std::string error;
    std::string report;
    ASSERT_EQ(doc.import_dxf(file.string(), error, &report), 1) << error;
    EXPECT_EQ(doc.polylineCount, 199);
    EXPECT_EQ(doc.polylines[0]->nbPoints, 100);
    EXPECT_EQ(report,
              "199 polylignes importées\n"
              "Entités lues : POLYLINE 1, LINE 205\n"
              "Entités ignorées : CIRCLE 1\n"
              "polyligne 1 : coupée à 100 sommets, les suivants ne sont pas lus\n"
              "7 entités laissées de côté : un document tient au plus 199 polylignes.\n"
              "Les courbes ignorées s'importent par « Fichier > Importer un dessin DXF (toutes "
              "courbes)… ».\n");
}
