#include <gtest/gtest.h>

#include <unistd.h>
#include "test_files.h"

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "c_format.h"
#include "dxf_file.h"
#include "plandor_doc.h"

using common::CAttache;
using common::CPolyline;
using common::Point3;
using plandor::CLiaison;
using plandor::CPlandorDoc;

namespace fs = std::filesystem;

namespace {

std::unique_ptr<CPolyline> contour(const std::vector<Point3>& pts) {
    auto p = std::make_unique<CPolyline>();
    for (const Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints)] = pt;
        p->offsetPoints[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    p->nbOffsetPoints = p->nbPoints;
    p->detourage = common::OffsetSide::left;
    return p;
}

void add_link(CPlandorDoc& doc, int from, int to) {
    auto l = std::make_unique<CLiaison>();
    l->startIndex = from;
    l->endIndex = to;
    doc.add_link(std::move(l));
}

struct UserLocale {
    UserLocale() { std::setlocale(LC_ALL, ""); }
    ~UserLocale() { std::setlocale(LC_ALL, "C"); }
};

// The plan origin -> A -> B: A a straight cut, B four points with a tab on
// its second segment; polyline 0 is not in the chain.
void build_plan(CPlandorDoc& doc) {
    doc.add_polyline(contour({{0, 0, 0}, {5, 5, 0}, {9, 1, 0}}));
    doc.add_polyline(contour({{40, 10, 0}, {60.3f, 10, 0}, {60.3f, 30.7f, 0}, {40, 30.7f, 0}}));
    doc.add_polyline(contour({{10.25f, 10.125f, 0}, {30.5f, 20.75f, 0}}));
    auto tab = std::make_unique<CAttache>();
    tab->x1 = 60.3f;
    tab->y1 = 18.4f;
    tab->x2 = 60.3f;
    tab->y2 = 22.4f;
    doc.polylines[1]->tabs[2] = std::move(tab);
    add_link(doc, 2, 1);
    add_link(doc, 0, 2);
    add_link(doc, -1, 2);
}

}  // namespace

TEST(DxfExport, FollowsTheCutOrderAndWritesTheKnownBytes) {
    test_files::TempDir dir("dxf_export_test");
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    build_plan(doc);
    EXPECT_EQ(doc.cut_order(), (std::vector<int>{2, 1}));

    const fs::path file = dir.path / "decoupe.dxf";
    std::string error;
    {
        UserLocale french;
        ASSERT_EQ(doc.export_dxf(file.string(), error), 1) << error;
    }
    const std::string text = test_files::read_bytes(file);
    EXPECT_EQ(text, test_files::read_bytes(fs::path(PLANDOR_TEST_DATA) / "decoupe_chain.dxf"));

    // Every record carries the next handle, from 2F on, without a gap.
    std::istringstream lines(text);
    std::string code, value;
    int expected = 0x2F;
    int records = 0;
    while (std::getline(lines, code) && std::getline(lines, value)) {
        if (code == "  0" && (value == "POLYLINE" || value == "VERTEX" || value == "SEQEND")) {
            ++records;
        }
        if (code == "  5") {
            EXPECT_EQ(value, common::format_X(expected++));
        }
    }
    EXPECT_EQ(records, 15);
    EXPECT_EQ(expected, 0x2F + 15);
}

TEST(DxfExport, WritesOnlyWhatTheChainReachesAndStopsOnACycle) {
    test_files::TempDir dir("dxf_export_test");
    platform::MemorySettingsStore store;
    std::string error;
    // A chain that reaches no contour refuses the export: the old file stays.
    CPlandorDoc no_origin(store);
    build_plan(no_origin);
    no_origin.links[2]->startIndex = 0;
    EXPECT_TRUE(no_origin.cut_order().empty());
    std::ofstream(dir.path / "a.dxf") << "ancien plan";
    EXPECT_EQ(no_origin.export_dxf((dir.path / "a.dxf").string(), error), 0);
    EXPECT_NE(error.find("aucun contour"), std::string::npos) << error;
    EXPECT_EQ(test_files::read_bytes(dir.path / "a.dxf"), "ancien plan");
    CPlandorDoc no_contour(store);
    build_plan(no_contour);
    for (int index : no_contour.cut_order()) {
        no_contour.polylines[static_cast<size_t>(index)]->nbOffsetPoints = 0;
    }
    EXPECT_EQ(no_contour.export_dxf((dir.path / "a.dxf").string(), error), 0);
    EXPECT_EQ(test_files::read_bytes(dir.path / "a.dxf"), "ancien plan");

    CPlandorDoc cycle(store);
    build_plan(cycle);
    add_link(cycle, 1, 2);  // back to A: the chain would never end
    EXPECT_EQ(cycle.cut_order(), (std::vector<int>{2, 1}));
    ASSERT_EQ(cycle.export_dxf((dir.path / "b.dxf").string(), error), 1);
    EXPECT_EQ(test_files::read_bytes(dir.path / "b.dxf"),
              test_files::read_bytes(fs::path(PLANDOR_TEST_DATA) / "decoupe_chain.dxf"));

    CPlandorDoc stray(store);
    build_plan(stray);
    stray.links[0]->endIndex = 7;  // no such polyline
    EXPECT_EQ(stray.cut_order(), (std::vector<int>{2}));
    stray.links[2]->endIndex = -1;
    EXPECT_TRUE(stray.cut_order().empty());
}

TEST(DxfExport, AFailedSaveIsReportedAndTheOldFileKept) {
    test_files::TempDir dir("dxf_export_test");
    platform::MemorySettingsStore store;
    CPlandorDoc doc(store);
    build_plan(doc);
    std::string error;
    EXPECT_EQ(doc.export_dxf((dir.path / "absent" / "decoupe.dxf").string(), error), 0);
    EXPECT_FALSE(error.empty());

    const fs::path file = dir.path / "decoupe.dxf";
    std::ofstream(file) << "ancien plan";
    fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
    const bool refused = doc.export_dxf(file.string(), error) == 0;
    fs::permissions(dir.path, fs::perms::owner_all);
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused) << "the folder is read-only";
    }
    if (refused) {
        EXPECT_EQ(test_files::read_bytes(file), "ancien plan");
    }
}
