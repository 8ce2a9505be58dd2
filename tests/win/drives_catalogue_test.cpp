// GetKvDrives over catalogue files written here: the exact sorted text, the limit of 1000 lines,
// files cut short, and the failures that leave the host's buffer as it was.
#include "tests/native/catalogue_builder.h"
#include "tests/win/harness.h"

namespace duvad::test {
namespace {

class KvDrives : public ::testing::Test {
protected:
    std::string write(const std::string& bytes, const char* name = "drives.cat") {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(TempDir::writeFile(path, bytes));
        return path;
    }
    TempDir dir_{"kvdrives"};
};

TEST_F(KvDrives, ListsOtherBrandsSortedIntoABufferOfExactlyTheirSize) {
    CatalogueBuilder c;
    c.add("Zeta", "Z-1", 3, 0x00)
        .add("KORVEL", "own drive", 1, 0x1A)
        .add("ACME", "CDR-100", 12, 0x1A)
        .add(" whatever", "Generic", -40, 0x5A)
        .add("KORVELX", "not own", 0, 0x1A)
        .add("acmex", "b", 7, 0x1B)
        .add("4Kings", "RW", 2, 0x1A);
    const std::string want =
        "4Kings,RW,2 (S)\r\n"
        "[no brand],Generic,-40 (A)\r\n"
        "ACME,CDR-100,12 (S)\r\n"
        "acmex,b,7 (A)\r\n"
        "KORVELX,not own,0 (S)\r\n"
        "Zeta,Z-1,3 (A)\r\n";
    GuardedBuffer list(want.size() + 1);
    EXPECT_EQ(VB(GetKvDrives, list.data(), write(c.bytes()).c_str()), 6);
    EXPECT_EQ(list.str(), want);
}

TEST_F(KvDrives, AThousandLinesAtMostOwnBrandNotCounted) {
    CatalogueBuilder c;
    std::string longest;
    for (int i = 0; i < 1010; ++i) {
        if (i % 250 == 0) c.add("KORVEL", "own", i, 0);
        // Models long enough to be shortened: every line takes its whole 63 characters.
        c.add("B" + std::to_string(1000 + i), std::string(60, char('a' + i % 26)), -1000000000 - i, 0x1A);
    }
    GuardedBuffer list(1000 * 63 + 1);
    EXPECT_EQ(VB(GetKvDrives, list.data(), write(c.bytes()).c_str()), 1000);
    const std::string text = list.str();
    ASSERT_EQ(text.size(), 1000u * 63);
    // The first 1000 in file order, sorted: B1000 first, B1999 last, B2000 and later absent.
    EXPECT_EQ(text.substr(0, 6), "B1000,");
    EXPECT_EQ(text.substr(text.size() - 63, 6), "B1999,");
    EXPECT_EQ(text.find("B2000"), std::string::npos);
    for (size_t at = 0; at < text.size(); at += 63) EXPECT_EQ(text.substr(at + 57, 6), " (S)\r\n") << at;
}

TEST_F(KvDrives, FileCutInsideARecord) {
    CatalogueBuilder c;
    c.add("ACME", "Whole", 1, 0x1A).add("Cut", "Half", 2, 0x1A).add("Next", "N", 3, 0x1A);
    std::string bytes = c.bytes().substr(0, c.brandAt(3) + 9 + 4);  // ends right after "Half"
    GuardedBuffer list(64);
    EXPECT_EQ(VB(GetKvDrives, list.data(), write(bytes).c_str()), 2);
    EXPECT_EQ(list.str(), "ACME,Whole,1 (S)\r\nCut,Half,2 (A)\r\n");
}

TEST_F(KvDrives, MarkersWithoutRecordsEmptyTheList) {
    CatalogueBuilder c;
    GuardedBuffer list(16);
    EXPECT_EQ(VB(GetKvDrives, list.data(), write(c.bytes()).c_str()), 0);
    EXPECT_EQ(list.bytes()[0], 0);
    EXPECT_TRUE(list.untouchedFrom(1));
}

TEST_F(KvDrives, FailuresLeaveTheBufferAsItWas) {
    CatalogueBuilder one(140);
    one.bytes().resize(one.brandAt(1));  // the first marker record only
    const std::string locked = write(CatalogueBuilder().add("A", "B", 1, 0).bytes(), "locked.cat");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    const std::string cases[][2] = {
        {"missing", dir_.file("missing.cat")},
        {"empty file", write("", "empty.cat")},
        {"one marker", write(one.bytes(), "one.cat")},
        {"no zero after the brand", write(std::string("KORVELA KORVELB"), "nozero.cat")},
        {"lower case", write(std::string("korvel\0korvel\0", 14), "lower.cat")},
        {"opened elsewhere without sharing", locked},
        {"a folder", dir_.path()},
    };
    for (const auto& c : cases) {
        GuardedBuffer list(64);
        EXPECT_EQ(VB(GetKvDrives, list.data(), c[1].c_str()), 0) << c[0];
        EXPECT_TRUE(list.untouchedFrom(0)) << c[0];
    }
    CloseHandle(holder);

    GuardedBuffer list(64);
    EXPECT_EQ(VB(GetKvDrives, list.data(), static_cast<const char*>(nullptr)), 0);
    EXPECT_TRUE(list.untouchedFrom(0));
    EXPECT_EQ(VB(GetKvDrives, static_cast<char*>(nullptr), locked.c_str()), 0);
}

TEST_F(KvDrives, ReadsAFileOthersHaveOpenForWriting) {
    CatalogueBuilder c;
    c.add("ACME", "A", 1, 0);
    const std::string path = write(c.bytes());
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    GuardedBuffer list(64);
    EXPECT_EQ(VB(GetKvDrives, list.data(), path.c_str()), 1);
    EXPECT_EQ(list.str(), "ACME,A,1 (A)\r\n");
    CloseHandle(writer);
    // The catalogue's own handle is closed: the file can be deleted at once.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

}  // namespace
}  // namespace duvad::test
