// The host tool's knowledge of a disc folder's files: when two names or two opened files are one
// file, the record of an earlier disc, and the journal of a commit and what the next make does
// with one that was cut short.
#include "host/core/disc_files.h"

#include <gtest/gtest.h>

namespace {

using duvad::host::CommitPlan;
using duvad::host::FileFacts;
using duvad::host::RecordEntry;
using duvad::host::Recovery;

// Where no identity answers (Windows 95 without GetLongPathNameA, files not open), names decide:
// case and slash do not tell files apart, anything else does.
TEST(DiscFiles, NamesOfOneFile) {
    using duvad::host::sameName;
    EXPECT_TRUE(sameName("C:\\VCD\\AVSEQ01.DAT", "c:\\vcd\\Avseq01.dat"));
    EXPECT_TRUE(sameName("C:\\VCD\\AVSEQ01.DAT", "C:/VCD/AVSEQ01.DAT"));
    EXPECT_TRUE(sameName("azAZ09", "AZaz09"));
    EXPECT_FALSE(sameName("C:\\VCD\\AVSEQ01.DAT", "C:\\VCD\\AVSEQ02.DAT"));
    EXPECT_FALSE(sameName("C:\\VCD\\AVSEQ01.DAT", "C:\\VCD\\AVSEQ01.DA"));
    EXPECT_FALSE(sameName("C:\\VCD\\AVSEQ01.DA", "C:\\VCD\\AVSEQ01.DAT"));
    // Only ASCII letters fold here: '@' and '`' sit beside 'A' and 'a', '[' and '{' beside 'Z' and 'z'.
    EXPECT_FALSE(sameName("@", "`"));
    EXPECT_FALSE(sameName("[", "{"));
    EXPECT_FALSE(sameName("\xC9", "\xE9"));  // the caller upper-cases in its code page
    EXPECT_TRUE(sameName("", ""));
}

FileFacts opened(const char* path, uint32_t volume, uint32_t high, uint32_t low, uint64_t size, uint64_t written) {
    FileFacts f;
    f.path = path, f.open = true, f.volume = volume, f.indexHigh = high, f.indexLow = low;
    f.size = size, f.written = written;
    return f;
}

TEST(DiscFiles, OneFileByNameOrIdentity) {
    using duvad::host::sameFile;
    FileFacts closedA, closedB;
    closedA.path = "C:\\A\\FILM.MPG", closedB.path = "c:\\a\\film.mpg";
    EXPECT_TRUE(sameFile(closedA, closedB));  // a case-only difference: one file
    closedB.path = "C:\\A\\FILM2.MPG";
    EXPECT_FALSE(sameFile(closedA, closedB));

    // Identities from open handles: a link or another name of one file is that file.
    const FileFacts a = opened("C:\\A\\FILM.MPG", 0x1234, 1, 77, 1000, 5);
    EXPECT_TRUE(sameFile(a, opened("D:\\LINK.MPG", 0x1234, 1, 77, 999, 4)));
    EXPECT_FALSE(sameFile(a, opened("D:\\LINK.MPG", 0x1235, 1, 77, 1000, 5)));  // another volume
    EXPECT_FALSE(sameFile(a, opened("D:\\LINK.MPG", 0x1234, 2, 77, 1000, 5)));
    EXPECT_FALSE(sameFile(a, opened("D:\\LINK.MPG", 0x1234, 1, 78, 1000, 5)));
    // Only one side open: the name alone.
    FileFacts closed = a;
    closed.open = false, closed.path = "D:\\LINK.MPG";
    EXPECT_FALSE(sameFile(closed, opened("D:\\OTHER.MPG", 0x1234, 1, 77, 1000, 5)));
    EXPECT_FALSE(sameFile(opened("D:\\OTHER.MPG", 0x1234, 1, 77, 1000, 5), closed));
    // A file system that gives no index: the volume alone does not make two files one.
    EXPECT_FALSE(sameFile(opened("C:\\X", 0x1234, 0, 0, 1, 1), opened("C:\\Y", 0x1234, 0, 0, 1, 1)));
    EXPECT_FALSE(sameFile(opened("C:\\X", 0x1234, 0, 5, 1, 1), opened("C:\\Y", 0x1234, 0, 0, 1, 1)));
    EXPECT_TRUE(sameFile(opened("C:\\X", 0x1234, 0, 5, 1, 1), opened("C:\\Y", 0x1234, 0, 5, 9, 9)));
    EXPECT_TRUE(sameFile(opened("C:\\X", 0x1234, 7, 0, 1, 1), opened("C:\\Y", 0x1234, 7, 0, 9, 9)));

    // Volume serial 0 (Wine on Unix file systems): the same index on two file systems is two files
    // unless size and time agree too; a hard link agrees in both.
    const FileFacts shm = opened("Z:\\DEV\\SHM\\A.MPG", 0, 0, 12, 5000, 777);
    EXPECT_FALSE(sameFile(shm, opened("Z:\\MNT\\B.DAT", 0, 0, 12, 4000, 777)));
    EXPECT_FALSE(sameFile(shm, opened("Z:\\MNT\\B.DAT", 0, 0, 12, 5000, 778)));
    EXPECT_TRUE(sameFile(shm, opened("Z:\\DEV\\SHM\\LINK.DAT", 0, 0, 12, 5000, 777)));
    EXPECT_FALSE(sameFile(shm, opened("Z:\\DEV\\SHM\\C.DAT", 0, 0, 13, 5000, 777)));
    EXPECT_FALSE(sameFile(shm, opened("Z:\\DEV\\SHM\\C.DAT", 0, 1, 12, 5000, 777)));
    EXPECT_FALSE(sameFile(shm, opened("Z:\\DEV\\SHM\\C.DAT", 9, 0, 12, 5000, 777)));
    EXPECT_TRUE(sameFile(shm, opened("z:\\dev\\shm\\a.mpg", 0, 0, 99, 1, 1)));  // one name is one file
}

TEST(DiscFiles, RecordReadsBackAndMatchesOnlyUnchangedFiles) {
    const std::vector<RecordEntry> files = {{"TRACK01.IMG", 700800, 134412029681643092ull},
                                            {"AVSEQ01.DAT", 981120, 134412029681639457ull},
                                            {"videocd.bin", 5000000000ull, 1}};
    const std::string text = duvad::host::recordText(files);
    EXPECT_EQ(text,
              "duvad disc 1\n700800 134412029681643092 TRACK01.IMG\n981120 134412029681639457 AVSEQ01.DAT\n"
              "5000000000 1 videocd.bin\nend\n");
    const auto back = duvad::host::parseRecord(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ((*back)[k].name, files[k].name);
        EXPECT_EQ((*back)[k].size, files[k].size);
        EXPECT_EQ((*back)[k].written, files[k].written);
    }
    EXPECT_TRUE(duvad::host::parseRecord("duvad disc 1\nend\n"));
    // Not a whole record: another head, a cut, bad numbers, a name missing, text after the end.
    for (const char* bad :
         {"", "duvad disc 2\nend\n", "duvad disc 1\n", "duvad disc 1\n1 2 A\n", "duvad disc 1\n1 2 A\nend",
          "duvad disc 1\nx 2 A\nend\n", "duvad disc 1\n1 2x A\nend\n", "duvad disc 1\n1 2 \nend\n",
          "duvad disc 1\n1 2\nend\n", "duvad disc 1\n 1 2 A\nend\n", "duvad disc 1\n1 2 A\tB\nend\n",
          "duvad disc 1\nend\nmore\n", "duvad disc 1\n1 99999999999999999999 A\nend\n"})
        EXPECT_FALSE(duvad::host::parseRecord(bad)) << bad;
    EXPECT_EQ(duvad::host::parseRecord("duvad disc 1\n1 2 A B.DAT\nend\n")->at(0).name, "A B.DAT");

    using duvad::host::isRecorded;
    EXPECT_TRUE(isRecorded(files, {"AVSEQ01.DAT", 981120, 134412029681639457ull}));
    EXPECT_TRUE(isRecorded(files, {"avseq01.dat", 981120, 134412029681639457ull}));
    EXPECT_FALSE(isRecorded(files, {"AVSEQ01.DAT", 981121, 134412029681639457ull}));  // grown
    EXPECT_FALSE(isRecorded(files, {"AVSEQ01.DAT", 981120, 134412029681639458ull}));  // written again
    EXPECT_FALSE(isRecorded(files, {"AVSEQ02.DAT", 981120, 134412029681639457ull}));  // not of that disc
    EXPECT_TRUE(isRecorded(files, {"videocd.bin", 5000000000ull, 1}));
}

TEST(DiscFiles, JournalReadsBackWholeOrNotAtAll) {
    CommitPlan plan;
    plan.aside = {{"old1", "AVSEQ01.DAT"}, {"old2", "avseq01.dat"}};
    plan.place = {"TRACK01.IMG", "AVSEQ01.DAT", "duvad.lst"};
    const std::string text = duvad::host::journalText(plan);
    EXPECT_EQ(text,
              "duvad commit 1\naside old1 AVSEQ01.DAT\naside old2 avseq01.dat\nplace TRACK01.IMG\n"
              "place AVSEQ01.DAT\nplace duvad.lst\nend\n");
    auto back = duvad::host::parseJournal(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->aside.size(), 2u);
    EXPECT_EQ(back->aside[1].staged, "old2");
    EXPECT_EQ(back->aside[1].final, "avseq01.dat");
    EXPECT_EQ(back->place, plan.place);
    EXPECT_FALSE(back->undoing);
    back = duvad::host::parseJournal(text + duvad::host::kJournalUndo);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->undoing);
    EXPECT_EQ(back->place.size(), 3u);
    // Cut anywhere before its end, the journal is no journal: no move was made yet.
    for (size_t cut = 0; cut < text.size(); ++cut) EXPECT_FALSE(duvad::host::parseJournal(text.substr(0, cut))) << cut;
    for (const char* bad :
         {"duvad commit 1\nmove A\nend\n", "duvad commit 1\naside old1\nend\n", "duvad commit 1\nplace \nend\n",
          "duvad commit 1\naside  A\nend\n", "duvad commit 1\nend\nundo\nx", "duvad commit 2\nend\n"})
        EXPECT_FALSE(duvad::host::parseJournal(bad)) << bad;
    // A forged journal naming files outside the folders, or moving other than earlier files aside.
    for (const char* bad :
         {"duvad commit 1\nplace ..\\x\nend\n", "duvad commit 1\nplace ..\nend\n", "duvad commit 1\nplace a/b\nend\n",
          "duvad commit 1\nplace C:x\nend\n", "duvad commit 1\nplace *.DAT\nend\n", "duvad commit 1\nplace x. \nend\n",
          "duvad commit 1\naside old1 ..\\..\\x\nend\n", "duvad commit 1\naside ..\\x AVSEQ01.DAT\nend\n",
          "duvad commit 1\naside owner AVSEQ01.DAT\nend\n", "duvad commit 1\naside old AVSEQ01.DAT\nend\n",
          "duvad commit 1\naside old1x AVSEQ01.DAT\nend\n"})
        EXPECT_FALSE(duvad::host::parseJournal(bad)) << bad;
    EXPECT_TRUE(duvad::host::parseJournal("duvad commit 1\naside old12 AVSEQ01.DAT\nend\n"));
    // The same for a record: a name with a folder in it makes it no record.
    for (const char* bad : {"duvad disc 1\n1 2 ..\\notes.txt\nend\n", "duvad disc 1\n1 2 Z:\\x\nend\n"})
        EXPECT_FALSE(duvad::host::parseRecord(bad)) << bad;
}

TEST(DiscFiles, StagingFoldersAreKnownByTheirWholeName) {
    using duvad::host::isStagingName;
    EXPECT_EQ(duvad::host::stagingName(1), "~duvad1.tmp");
    EXPECT_EQ(duvad::host::stagingName(100), "~duvad100.tmp");
    EXPECT_TRUE(isStagingName("~duvad1.tmp"));
    EXPECT_TRUE(isStagingName("~DUVAD100.TMP"));
    for (const char* other : {"~duvad.tmp", "~duvad-old.tmp", "~duvad1x.tmp", "~duvad1.tmp.bak", "x~duvad1.tmp",
                              "~duvad01.tmp", "~duvad1.tm", "~duvad 1.tmp"})
        EXPECT_FALSE(isStagingName(other)) << other;
}

TEST(DiscFiles, StoppedCommitIsFinishedOnceANewFileIsInPlace) {
    CommitPlan plan;
    plan.aside = {{"old1", "AVSEQ01.DAT"}};
    plan.place = {"TRACK01.IMG", "AVSEQ01.DAT", "duvad.lst"};
    using duvad::host::recoveryOf;
    EXPECT_EQ(recoveryOf(plan, {true, true, true}), Recovery::Undo);  // none in place yet
    EXPECT_EQ(recoveryOf(plan, {false, true, true}), Recovery::Finish);
    EXPECT_EQ(recoveryOf(plan, {false, false, true}), Recovery::Finish);
    EXPECT_EQ(recoveryOf(plan, {true, true, false}), Recovery::Finish);  // the last one only
    EXPECT_EQ(recoveryOf(plan, {false, false, false}), Recovery::Finish);
    plan.undoing = true;  // the make had begun to undo it: undone, wherever it got to
    EXPECT_EQ(recoveryOf(plan, {false, true, true}), Recovery::Undo);
    EXPECT_EQ(recoveryOf(plan, {false, false, false}), Recovery::Undo);
}

}  // namespace
