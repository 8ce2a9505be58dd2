// The folder a disc is made in: which of its names would be a source, why a write failed, and
// the staging of a disc in a fresh folder inside it, so that the disc's files take their final
// names only once all of them are made.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace duvad::host {

// A file as the same-file test knows it: its identity (volume serial number and file index) when
// it exists and the file system gives one, and its full long path name.
struct FileKey {
    bool identified = false;
    DWORD volume = 0, indexHigh = 0, indexLow = 0;
    std::string path;
};
FileKey keyOf(const std::string& path);
bool sameFile(const FileKey& a, const FileKey& b);

bool isFolder(const std::string& path);

// The cause of a failed file operation on `path`, from the system's error code: "access denied",
// "a folder of that name is in the way", "the disk is full", or the system's own text. NO_ERROR
// stands for a write that came out short without an error.
std::string systemCause(DWORD error, const std::string& path);

// A fresh folder inside the output folder that holds the disc while it is made. Unless commit()
// succeeded, everything is taken away again on destruction, the output folder too when open()
// made it: a refused or failed make leaves the output folder as it found it.
class Staging {
public:
    explicit Staging(const std::string& outDir);  // outDir: a full path
    ~Staging();
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;

    // Makes the output folder if there is none, then the staging folder. Empty, or why not.
    std::string open();
    std::string path(const std::string& name) const { return folder_ + "\\" + name; }

    // Moves the staged files `names` onto their final names in the output folder. Earlier files of
    // those names are moved aside first and removed only once every new file is in place; when a
    // move fails, what was moved goes back, so the folder holds the earlier disc whole. Empty, or
    // why not.
    std::string commit(const std::vector<std::string>& names);

private:
    void clear();
    std::string outDir_, folder_;
    bool madeOutDir_ = false, committed_ = false;
};

}  // namespace duvad::host
