// What the host tool knows about the files of a disc folder, apart from any file system: when two
// names or two opened files are one file, the record of the disc a make left in the folder (so a
// later make replaces only that), and the journal of a commit (so a commit cut short by a kill is
// finished or undone by the next make).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace duvad::host {

// Two full path names of one file: file names do not tell case apart, and either slash separates.
// Letters beyond ASCII are compared as given (the caller upper-cases them in the system's code page).
bool sameName(std::string_view a, std::string_view b);

// What the same-file test knows of a file: its full long path name, and when it is open, the
// identity the file system gives (volume serial number and file index) with its size and time.
struct FileFacts {
    std::string path;
    bool open = false;
    uint32_t volume = 0, indexHigh = 0, indexLow = 0;
    uint64_t size = 0, written = 0;  // written: last write time (FILETIME)
};
// One file: one name, or one identity. A file index of zero is none. Volume serial 0 (Wine on a
// Unix file system without a drive of its own) does not tell file systems apart, so there an equal
// index counts only with an equal size and time.
bool sameFile(const FileFacts& a, const FileFacts& b);

// The name of a make's staging folder in the output folder (n from 1): "~duvadN.tmp". Only a folder
// of such a name is taken for one a stopped make left; any other (a user's "~duvad-old.tmp") is not.
std::string stagingName(unsigned n);
bool isStagingName(std::string_view name);

// The record of a disc a make put in place: each of its files' name, size and last write time.
struct RecordEntry {
    std::string name;
    uint64_t size = 0, written = 0;
};
std::string recordText(const std::vector<RecordEntry>& files);
// Empty when the text is not a whole record.
std::optional<std::vector<RecordEntry>> parseRecord(std::string_view text);
// Whether `found` (a file in the folder) is the recorded file of its name, unchanged.
bool isRecorded(const std::vector<RecordEntry>& record, const RecordEntry& found);

// A commit: the earlier files moved aside into the staging folder (its own name there, and the
// name in the output folder), then the new files moved from the staging folder onto their names.
// `undoing`: the make itself began to undo it.
struct CommitPlan {
    struct Aside {
        std::string staged, final;
    };
    std::vector<Aside> aside;
    std::vector<std::string> place;
    bool undoing = false;
};
// The journal's text, written whole before the first move; "undo" is appended when undoing.
std::string journalText(const CommitPlan& plan);
constexpr char kJournalUndo[] = "undo\n";
// Empty when the text is not a whole journal (cut short while written: no file was moved yet).
std::optional<CommitPlan> parseJournal(std::string_view text);

// What the next make does with a commit that was cut short: once any new file is in place every
// earlier file was moved aside, so the commit is finished; else (or when the make was undoing it)
// it is undone. placeStaged[k]: plan.place[k] is still in the staging folder.
enum class Recovery { Finish, Undo };
Recovery recoveryOf(const CommitPlan& plan, const std::vector<bool>& placeStaged);

}  // namespace duvad::host
