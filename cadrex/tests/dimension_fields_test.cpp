#include "dimension_fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "number_reading.h"

using cadrex::DimensionFields;
using cadrex::TraceRequest;

namespace {

TraceRequest request_for(const DimensionFields& f) {
    TraceRequest r;
    std::string error;
    EXPECT_TRUE(cadrex::trace_request(f, r, error)) << error;
    return r;
}

std::string with_thickness(const char* ep) {
    DimensionFields f;
    f.ep_const = true;
    f.ep = ep;
    return request_for(f).nomfich;
}

}  // namespace

TEST(TraceRequest, StartUpFieldsGiveTheDimensionsAndTheName) {
    const TraceRequest r = request_for(DimensionFields{});
    EXPECT_EQ(r.nomfich, "Couple 100 - 40 - e 6.3.dat");  // mean wall (10 + 5 + 2 x 5) / 4
    EXPECT_EQ(r.dims.xse, 60);
    EXPECT_EQ(r.dims.xie, 40);
    EXPECT_EQ(r.dims.ye, 40);
    EXPECT_EQ(r.dims.xsi, 50);
    EXPECT_EQ(r.dims.xii, 35);
    EXPECT_EQ(r.dims.yi, 35);
    EXPECT_EQ(r.dims.dec, 5);
    EXPECT_EQ(r.dims.nse, 20);
    EXPECT_EQ(r.dims.prof, 0.0f);
}

TEST(TraceRequest, TheVOptionGivesTheSignedDepthAndTheSuffix) {
    DimensionFields f;
    f.prof = "2.5,7";
    f.pos_ve = cadrex::kMale;
    TraceRequest r = request_for(f);
    EXPECT_EQ(r.nomfich, "Couple 100 - 40 - e 6.3 m.dat");
    EXPECT_EQ(r.dims.prof, 2.5f);
    f.pos_ve = cadrex::kFemelle;
    r = request_for(f);
    EXPECT_EQ(r.nomfich, "Couple 100 - 40 - e 6.3 f.dat");
    EXPECT_EQ(r.dims.prof, -2.5f);
    f.pos_ve = cadrex::kSans;
    r = request_for(f);
    EXPECT_EQ(r.nomfich, "Couple 100 - 40 - e 6.3.dat");
    EXPECT_EQ(r.dims.prof, 0.0f);
}

TEST(TraceRequest, NameShowsTheThicknessToOneDecimalHalvesAwayFromZero) {
    EXPECT_EQ(with_thickness("6"), "Couple 100 - 40 - e 6.dat");
    EXPECT_EQ(with_thickness("0.35"), "Couple 100 - 40 - e .4.dat");
    EXPECT_EQ(with_thickness("2.25"), "Couple 100 - 40 - e 2.3.dat");
    EXPECT_EQ(with_thickness("-0.25"), "Couple 100 - 40 - e-.3.dat");
    EXPECT_EQ(with_thickness("0.04"), "Couple 100 - 40 - e 0.dat");
    EXPECT_EQ(with_thickness("épais"), "Couple 100 - 40 - e 0.dat");

    DimensionFields f;
    f.prefnom = "Cadre n°3";
    f.xse = "60,5";  // a comma ends the number
    f.xie = "39.5";
    f.ye = "-12.75";
    EXPECT_EQ(request_for(f).nomfich,
              "Cadre n°3 99.5 --12.75 - e-20.3.dat");  // mean wall (10 + 4.5 - 95.5) / 4
}

TEST(DeriveInnerFields, OuterDimensionsMinusTheThickness) {
    DimensionFields f;
    f.ep = "6";
    cadrex::derive_inner_fields(f);
    EXPECT_EQ(f.xsi, "54");
    EXPECT_EQ(f.xii, "34");
    EXPECT_EQ(f.yi, "34");
    EXPECT_EQ(f.dec, "0");

    // Written as the shortest single-precision text, read back as the same value.
    f.xse = "60.1";
    f.xie = "0.8";
    f.ye = "40mm";
    f.ep = "0.3";
    cadrex::derive_inner_fields(f);
    EXPECT_EQ(f.xsi, "59.8");
    EXPECT_EQ(f.xii, ".5");
    EXPECT_EQ(f.yi, "39.7");
    EXPECT_EQ(cadrex::field_text(-3.0f), "-3");
    EXPECT_EQ(cadrex::field_text(10.1f), "10.1");

    // A difference that is no finite single leaves its field alone.
    f = DimensionFields{};
    f.xse = "1e39";
    f.ep = "1";
    cadrex::derive_inner_fields(f);
    EXPECT_EQ(f.xsi, "50");
    EXPECT_EQ(f.xii, "39");
}

TEST(DeriveInnerFields, HalfMillimetreThicknessIsUsedUnderAFrenchLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    }
    DimensionFields f;
    f.ep_const = true;
    f.ep = "5.5";
    cadrex::derive_inner_fields(f);
    const TraceRequest r = request_for(f);
    cadrex::HalfFormer former;
    std::string error;
    const bool drawn = former.dessin_demi_forme(r.dims, error);
    const std::string text = former.file_text(pointfile::system_decimal_separator());
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(f.xsi, "54.5");
    EXPECT_EQ(f.xii, "34.5");
    EXPECT_EQ(f.yi, "34.5");
    EXPECT_EQ(r.dims.xsi, 54.5);
    EXPECT_EQ(r.dims.dec, 0);
    EXPECT_EQ(r.nomfich, "Couple 100 - 40 - e 5.5.dat");
    ASSERT_TRUE(drawn) << error;
    std::ifstream in(std::filesystem::path(CADREX_TEST_DATA) / "Couple 100 - 40 - e 5.5.dat",
                     std::ios::binary);
    std::ostringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(text, expected.str());
    // Bottom wall 5.5: its joint starts at 94.5 mm, the inner contour's widest
    // point at 54.5 mm above it; the inner top at 5.5 mm.
    EXPECT_NE(text.find("\r\n0.98625 0.00000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0.94500 0.00000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0.60000 -0.34500\r\n0.59049 -0.34495\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n0.05500 0.00000\r\n0.04125 0.00000\r\n"), std::string::npos);
}

TEST(TraceRequest, RefusesAThicknessTooLargeToComputeAndHeightsThatAreNoNumber) {
    DimensionFields huge;
    huge.ep_const = true;
    huge.ep = "1e999";
    // A total height of 0 for want of a number says so; a typed 0 (or a
    // height that is no number while the other one is) is left to the plot.
    DimensionFields no_number, typed_zero, one_missing;
    no_number.xse = "";
    no_number.xie = "abc";
    typed_zero.xse = "0";
    typed_zero.xie = "0,5";
    one_missing.xse = "abc";
    const struct {
        DimensionFields fields;
        const char* message;
    } cases[] = {
        {huge, "Une des dimensions est trop grande pour être calculée."},
        {no_number, "La hauteur Xsup extérieure «  » n'est pas un nombre."},
        {typed_zero, nullptr},
        {one_missing, nullptr},
    };
    for (const auto& c : cases) {
        TraceRequest r;
        r.nomfich = "inchangé";
        std::string error;
        EXPECT_EQ(cadrex::trace_request(c.fields, r, error), c.message == nullptr);
        if (c.message) {
            EXPECT_EQ(error, c.message);
            EXPECT_EQ(r.nomfich, "inchangé");
        }
    }
}

TEST(TraceRequest, RefusesAPrefixThatWouldPutTheFileInAnotherFolder) {
    TraceRequest r;
    r.nomfich = "inchangé";
    std::string error;
    for (const char* prefix : {"../Couple", "plans/Couple", "plans\\Couple", "Couple..", ".."}) {
        DimensionFields named;
        named.prefnom = prefix;
        error.clear();
        EXPECT_FALSE(cadrex::trace_request(named, r, error)) << prefix;
        EXPECT_NE(error.find(std::string("« ") + prefix + " »"), std::string::npos) << error;
        EXPECT_EQ(r.nomfich, "inchangé");
    }
    DimensionFields dotted;
    dotted.prefnom = "Couple.v2 ";
    EXPECT_EQ(request_for(dotted).nomfich, "Couple.v2  100 - 40 - e 6.3.dat");
}
