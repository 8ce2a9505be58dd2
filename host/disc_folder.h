// The folder a disc is made in: which of its files would be a source or belong to the user, why a
// write failed, and the staging of a disc in a fresh folder inside it, so that the disc's files
// take their final names only once all of them are made. One make at a time holds the folder, and
// the next make finishes or undoes what a make that was stopped left in it.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "frame/scoped.h"
#include "host/core/disc_files.h"

namespace duvad::host {

// The record of the disc a make put in place, beside its files: a later make replaces only files
// that it lists, unchanged.
constexpr char kRecordName[] = "duvad.lst";

// Opens `path` to read its identity only (no access, shared with everyone), or not at all.
ScopedFile openForIdentity(const std::string& path);
// The facts of the file at `path`, open as `file` (an invalid handle: not open). The path is the
// full long path name, upper-cased in the system's code page.
FileFacts factsOf(HANDLE file, const std::string& path);

bool isFolder(const std::string& path);

// The cause of a failed file operation on `path`, from the system's error code: "access denied",
// "a folder of that name is in the way", "the disk is full", or the system's own text. NO_ERROR
// stands for a write that came out short without an error.
std::string systemCause(DWORD error, const std::string& path);

// Test hook: when the environment's DUVAD_TEST_HOLD names `point` (one name or several, with
// commas), the tool makes the file that DUVAD_TEST_HOLD_FILE names and waits until it is gone, so
// that a test can act at that point.
void testHold(const std::string& point);

// The files in the output folder `dir` (a full path ending with a backslash) in the way of a
// disc of the files `names`, in any case of their names: each is a file of the earlier disc the
// folder's record lists, unchanged, or any file when `replace` (listed in `earlier`, to be moved
// aside); a folder, a source (`sources`: their facts, taken from open handles; `sourceNames`: as
// the user gave them) or another file is refused. The earlier disc's other files, unchanged, are
// listed too (removed with that disc) when named as a disc's file can be (`anyDisc`: a forged record
// naming a user's file does not remove it). Empty, or the refusal.
std::string earlierDisc(const std::string& dir, const std::vector<std::string>& names,
                        const std::vector<std::string>& anyDisc, bool replace, const std::vector<FileFacts>& sources,
                        const std::vector<std::string>& sourceNames, std::vector<std::string>& earlier);

// A fresh folder inside the output folder that holds the disc while it is made. Unless commit()
// succeeded, everything is taken away again on destruction, the output folder too when claim()
// made it: a refused or failed make leaves the output folder as it found it.
class Staging {
public:
    explicit Staging(const std::string& outDir);  // outDir: a full path
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    // Makes the output folder if there is none and holds it for this make (a second make into it
    // is refused), then finishes or undoes a commit that a stopped make left, and removes what
    // stopped makes left (each said on the output); refused when a source (`sources`: full paths;
    // `given`: as the user gave them) is inside such a folder. Empty, or why not.
    std::string claim(const std::vector<std::string>& sources, const std::vector<std::string>& given);
    // Makes the staging folder. Empty, or why not.
    std::string open();
    std::string path(const std::string& name) const { return folder_ + "\\" + name; }

    // Moves the files `earlier` of the output folder aside, then the staged files `names` onto
    // their final names, as a journal written first lists: a make stopped meanwhile is finished or
    // undone by the next. The files moved aside are removed once every new file is in place; when
    // a move fails, or `stop` is set before the last move (Ctrl-C), what was moved goes back, so the
    // folder holds the earlier disc whole. Empty, or why not.
    std::string commit(const std::vector<std::string>& names, const std::vector<std::string>& earlier,
                       const std::atomic<bool>& stop);

private:
    void clear();
    std::string outDir_, dir_, folder_;
    ScopedFile lock_, owner_;  // held with no sharing for the make's life and the folder's
    bool madeOutDir_ = false, committed_ = false;
};

}  // namespace duvad::host
