// The drive catalogue walk, line format and case-folding order, over catalogues built here. The
// data always live in a heap block of exactly their size, so a read past the end trips ASan.
#include "drives/core/catalogue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue_builder.h"

namespace {

using duvad::drives::LineTable;
using duvad::test::CatalogueBuilder;

struct Listing {
    bool found = false;
    std::vector<std::string> lines;  // in listing order
    std::string text;                // joined
};

Listing list(const std::string& bytes, bool sorted = true) {
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    auto table = std::make_unique<LineTable>();
    Listing out;
    out.found = duvad::drives::walk(exact.data(), exact.size(), *table);
    if (sorted) duvad::drives::sortLines(*table);
    for (int i = 0; i < table->count; ++i) out.lines.emplace_back(table->line(i));
    std::string text(size_t(table->count) * 64 + 1, '#');
    text.resize(duvad::drives::joinLines(*table, text.data()));
    out.text = text;
    return out;
}

TEST(CatalogueWalk, FormatsEachRecordAndSortsWithoutRegardToCase) {
    CatalogueBuilder c;
    c.add("ACME", "CDR-100", 12, 0x1A)
        .add("zeta", "Z1", -7, 0x00)
        .add(" junk", "Blank", 0, 0x5A)
        .add("acme", "CDR-100", 12, 0x1A)
        .add("ACMEX", "A", 2147483647, 0x1B)
        .add("9Nine", "N", int32_t(0x80000000), 0x1A)
        .add("Brand", "M\xe9", 3, 0x1A);
    const Listing l = list(c.bytes());
    ASSERT_TRUE(l.found);
    ASSERT_EQ(l.lines.size(), 7u);
    EXPECT_EQ(l.lines[0], "9Nine,N,-2147483648 (S)\r\n");
    EXPECT_EQ(l.lines[1], "[no brand],Blank,0 (A)\r\n");
    // acme and ACME are equal under the comparison; both come before ACMEX.
    EXPECT_EQ(duvad::drives::compareFolded(l.lines[2].c_str(), l.lines[3].c_str()), 0);
    EXPECT_EQ(l.lines[2].substr(4), ",CDR-100,12 (S)\r\n");
    EXPECT_EQ(l.lines[4], "ACMEX,A,2147483647 (A)\r\n");
    EXPECT_EQ(l.lines[5], "Brand,M\xe9,3 (S)\r\n");
    EXPECT_EQ(l.lines[6], "zeta,Z1,-7 (A)\r\n");
    std::string joined;
    for (const std::string& line : l.lines) joined += line;
    EXPECT_EQ(l.text, joined);
}

TEST(CatalogueWalk, FileOrderBeforeSorting) {
    CatalogueBuilder c;
    c.add("b", "2", 1, 0).add("a", "1", 1, 0).add("c", "3", 1, 0);
    const Listing l = list(c.bytes(), false);
    EXPECT_EQ(l.text, "b,2,1 (A)\r\na,1,1 (A)\r\nc,3,1 (A)\r\n");
}

TEST(CatalogueMarkers, NeedTwoExactMarkersFollowedByAZeroByte) {
    EXPECT_FALSE(list("").found);
    EXPECT_FALSE(list(std::string("header KORVEL", 13)).found);  // one marker, at the very end
    EXPECT_FALSE(list(std::string("KORVEL\0 KORVELX\0 korvel\0 KORVE\0", 32)).found);
    EXPECT_TRUE(list(std::string("KORVEL\0 KORVEL", 14)).found);  // the end of the data is a zero

    // A header holding the marker moves the start of the records: the stride becomes the distance
    // from that place to the first real marker.
    CatalogueBuilder c(140, 40);
    c.add("ACME", "One", 1, 0).add("ACME", "Two", 2, 0).add("ACME", "Three", 3, 0);
    EXPECT_EQ(list(c.bytes()).lines.size(), 3u);
    std::memcpy(&c.bytes()[0], "KORVEL", 7);
    auto m = duvad::drives::findMarkers(reinterpret_cast<const uint8_t*>(c.bytes().data()), c.bytes().size());
    ASSERT_TRUE(m.found);
    EXPECT_EQ(m.first, 0u);
    EXPECT_EQ(m.stride, 40u);
    EXPECT_TRUE(list(c.bytes()).found);
}

TEST(CatalogueMarkers, MarkerRecordsAreNotExamined) {
    // Marker records with no model: examined, either would end the list before the drives.
    CatalogueBuilder c;
    c.add("ACME", "One", 1, 0).add("BETA", "Two", 2, 0);
    c.bytes()[c.brandAt(0) + 9] = '\0';
    c.bytes()[c.brandAt(1) + 9] = '\0';
    EXPECT_EQ(list(c.bytes()).text, "ACME,One,1 (A)\r\nBETA,Two,2 (A)\r\n");
}

TEST(CatalogueMarkers, LetterAfterTheBrandIsNoMarkerAndTheRecordIsListed) {
    CatalogueBuilder c;
    c.add("KORVELX", "Listed", 5, 0).add("korvel", "Listed too", 6, 0x1A);
    const Listing l = list(c.bytes());
    EXPECT_EQ(l.text, "korvel,Listed too,6 (S)\r\nKORVELX,Listed,5 (A)\r\n");
}

TEST(CatalogueWalk, OwnBrandInsideTheListIsLeftOutAndTheWalkGoesOn) {
    CatalogueBuilder c;
    c.add("KORVEL", "own", 1, 0)
        .add("ACME", "A", 1, 0)
        .add("KORVEL", "own", 2, 0)
        .add("BETA", "B", 2, 0)
        .add("KORVEL", "last own", 3, 0);
    EXPECT_EQ(list(c.bytes()).text, "ACME,A,1 (A)\r\nBETA,B,2 (A)\r\n");
}

TEST(CatalogueWalk, EmptyBrandOrModelEndsTheList) {
    CatalogueBuilder none;
    const Listing empty = list(none.bytes());
    EXPECT_TRUE(empty.found);
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_EQ(empty.text, "");

    CatalogueBuilder brand;
    brand.add("A", "1", 1, 0).add("", "not shown", 2, 0).add("C", "3", 3, 0);
    EXPECT_EQ(list(brand.bytes()).text, "A,1,1 (A)\r\n");
    CatalogueBuilder model;
    model.add("A", "1", 1, 0).add("B", "", 2, 0).add("C", "3", 3, 0);
    EXPECT_EQ(list(model.bytes()).text, "A,1,1 (A)\r\n");
}

TEST(CatalogueWalk, AtMostAThousandLinesInFileOrderOwnBrandNotCounted) {
    CatalogueBuilder c;
    for (int i = 0; i < 1005; ++i) {
        if (i % 100 == 50) c.add("KORVEL", "own", i, 0);
        c.add("D" + std::to_string(10000 + i), "M", i, 0);
    }
    const Listing l = list(c.bytes(), false);
    ASSERT_EQ(l.lines.size(), 1000u);
    EXPECT_EQ(l.lines.front(), "D10000,M,0 (A)\r\n");
    EXPECT_EQ(l.lines.back(), "D10999,M,999 (A)\r\n");
}

TEST(CatalogueWalk, ShortDataReadAsZeroWithoutReadingPastTheEnd) {
    CatalogueBuilder c;
    c.add("ACME", "Whole", 7, 0x1A).add("CUT", "Model", 0x01020304, 0x1A).add("NEXT", "N", 1, 0);
    const size_t cut = c.brandAt(3);
    const std::string& all = c.bytes();

    // Cut inside the model: the line keeps what is there, the kind byte past the end gives A.
    EXPECT_EQ(list(all.substr(0, cut + 9 + 3)).text, "ACME,Whole,7 (S)\r\nCUT,Mod,16909060 (A)\r\n");
    // Cut inside the brand or right before the model: the record ends the list. (A record's
    // number lies before its brand, so a cut inside it leaves no brand either.)
    EXPECT_EQ(list(all.substr(0, cut + 9)).text, "ACME,Whole,7 (S)\r\n");
    EXPECT_EQ(list(all.substr(0, cut + 2)).text, "ACME,Whole,7 (S)\r\n");
    // Cut inside the number: its missing high bytes read as zero.
    EXPECT_EQ(list(all.substr(0, cut - 2)).text, "ACME,Whole,7 (S)\r\n");
    // Every length, so each field in turn straddles the end.
    for (size_t n = 0; n <= all.size(); ++n) list(all.substr(0, n));
}

TEST(CatalogueWalk, StrideRunningPastTheEndListsNothing) {
    // Second marker 7 bytes before the end: the first examined record lies far beyond it.
    std::string data(5000, 'x');
    std::memcpy(&data[10], "KORVEL", 7);
    std::memcpy(&data[4993], "KORVEL", 7);
    const Listing l = list(data);
    EXPECT_TRUE(l.found);
    EXPECT_TRUE(l.lines.empty());
}

TEST(CatalogueLines, LongModelsAreShortenedSoTheLineKeepsItsShape) {
    const std::string model(110, 'm');
    CatalogueBuilder c;
    c.add(" ", model, int32_t(0x80000000), 0x1A)
        .add("ABCDEFGHI", model, 5, 0)
        .add("Z", std::string(54, 'z'), 1, 0)
        .add("Y", std::string(53, 'y'), 1, 0);
    const Listing l = list(c.bytes(), false);
    ASSERT_EQ(l.lines.size(), 4u);
    // 10 + 11 + 8 fixed characters leave 34 for the model.
    EXPECT_EQ(l.lines[0], "[no brand]," + model.substr(0, 34) + ",-2147483648 (S)\r\n");
    // A brand that fills its 9-byte field stops there instead of running into the model.
    EXPECT_EQ(l.lines[1], "ABCDEFGHI," + model.substr(0, 45) + ",5 (A)\r\n");
    EXPECT_EQ(l.lines[2], "Z," + std::string(53, 'z') + ",1 (A)\r\n");
    EXPECT_EQ(l.lines[3], "Y," + std::string(53, 'y') + ",1 (A)\r\n");  // fits whole
    for (const std::string& line : l.lines) EXPECT_EQ(line.size(), 63u) << line;
}

TEST(CatalogueLines, LineBreaksInsideTheTextsBecomeSpaces) {
    CatalogueBuilder c;
    c.add("AC\rME", "CD\r\nR", 1, 0x1A).add("\nB", "x\n", 2, 0);
    EXPECT_EQ(list(c.bytes(), false).text, "AC ME,CD  R,1 (S)\r\n B,x ,2 (A)\r\n");
}

TEST(CatalogueOrder, FoldsOnlyAsciiCapitals) {
    using duvad::drives::compareFolded;
    EXPECT_EQ(compareFolded("ACME,x", "acme,X"), 0);
    EXPECT_LT(compareFolded("ACME,x", "ACMEX,x"), 0);  // comma below every letter
    EXPECT_LT(compareFolded("acme ,x", "acme,x"), 0);  // space lower still
    EXPECT_LT(compareFolded("9z", "[no brand]"), 0);
    EXPECT_LT(compareFolded("[no brand]", "a"), 0);
    EXPECT_LT(compareFolded("[no brand]", "A"), 0);  // 'A' folds to 0x61, above '['
    EXPECT_LT(compareFolded("\xc9", "\xe9"), 0);     // no folding above 0x7F
    EXPECT_GT(compareFolded("\xe9", "z"), 0);        // unsigned bytes
    EXPECT_LT(compareFolded("ab", "abc"), 0);
    EXPECT_LT(compareFolded("_", "A"), 0);  // '_' 0x5F: above 'A' unfolded, below 'a'
    EXPECT_LT(compareFolded("_", "a"), 0);
}

}  // namespace
