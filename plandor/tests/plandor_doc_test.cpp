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
