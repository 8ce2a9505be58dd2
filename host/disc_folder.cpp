#include "host/disc_folder.h"

#include <cstdio>

#include "frame/scoped.h"

namespace duvad::host {
namespace {

// GetLongPathNameA exists from Windows 98 and 2000 on: looked up, not imported.
using LongPathFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

std::string longPath(const std::string& full) {
    static const auto fn = reinterpret_cast<LongPathFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
    char out[MAX_PATH * 2];
    if (fn) {
        const DWORD n = fn(full.c_str(), out, sizeof out);
        if (n && n < sizeof out) return std::string(out, n);
    }
    // A file that does not exist yet: its folder's long name and its own.
    const size_t at = full.find_last_of('\\');
    if (!fn || at == std::string::npos || at <= 2 || at + 1 == full.size()) return full;
    return longPath(full.substr(0, at)) + full.substr(at);
}

void deleteFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string file = folder + "\\" + found.cFileName;
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);  // an earlier disc's read-only file too
            DeleteFileA(file.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t fileTime(const FILETIME& t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

// A small file's text (a record or a journal); empty when there is none or it cannot be read.
std::string readText(const std::string& path) {
    ScopedFile in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.valid() || GetFileType(in.get()) != FILE_TYPE_DISK) return "";
    std::string text(64 * 1024, '\0');
    DWORD got = 0;
    if (!ReadFile(in.get(), text.data(), DWORD(text.size()), &got, nullptr)) return "";
    text.resize(got);
    return text;
}

// The text as a new file, on the disk before this returns (a journal must be whole before the
// first move it lists).
bool writeNew(const std::string& path, const std::string& text) {
    ScopedFile out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out.valid() && WriteFile(out.get(), text.data(), DWORD(text.size()), &written, nullptr) &&
           written == text.size() && FlushFileBuffers(out.get());
}

bool appendText(const std::string& path, const std::string& text) {
    ScopedFile out(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out.valid() && SetFilePointer(out.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(out.get(), text.data(), DWORD(text.size()), &written, nullptr) && written == text.size() &&
           FlushFileBuffers(out.get());
}

constexpr char kJournalName[] = "journal", kOwnerName[] = "owner", kLockName[] = "~duvad.lck";

// A commit's moves backwards: the new files that are in place back into the staging folder, then
// the earlier files back onto their names. True when all of them went back.
bool undoCommit(const std::string& dir, const std::string& folder, const CommitPlan& plan) {
    bool whole = true;
    for (auto name = plan.place.rbegin(); name != plan.place.rend(); ++name) {
        const std::string staged = folder + "\\" + *name, final = dir + *name;
        if (!exists(staged) && exists(final)) whole &= MoveFileA(final.c_str(), staged.c_str()) != 0;
    }
    for (const CommitPlan::Aside& a : plan.aside) {
        const std::string staged = folder + "\\" + a.staged;
        if (exists(staged)) whole &= MoveFileA(staged.c_str(), (dir + a.final).c_str()) != 0;
    }
    return whole;
}

// The rest of a commit whose earlier files are all aside: every new file still staged onto its name.
bool finishCommit(const std::string& dir, const std::string& folder, const CommitPlan& plan) {
    bool whole = true;
    for (const std::string& name : plan.place) {
        const std::string staged = folder + "\\" + name;
        if (exists(staged)) whole &= MoveFileA(staged.c_str(), (dir + name).c_str()) != 0;
    }
    return whole;
}

// What a make that was stopped left in `folder` (a staging folder of the output folder `dir`,
// which this make holds): a commit finished or undone by its journal, the folder removed. Only a
// folder whose owner file nobody holds open any more: its make is gone. Empty, or why not;
// `note` says what was done.
std::string recoverFolder(const std::string& dir, const std::string& folder, std::string& note) {
    ScopedFile owner(CreateFileA((folder + "\\" + kOwnerName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!owner.valid()) {
        // No owner file: a make stopped before it made one leaves the folder empty; a folder of
        // that name with anything in it is not a make's, and one whose owner is open is running.
        if (GetLastError() == ERROR_FILE_NOT_FOUND && RemoveDirectoryA(folder.c_str()))
            note = "removed " + folder + ", left empty by a make that was stopped";
        return "";
    }
    const std::optional<CommitPlan> plan = parseJournal(readText(folder + "\\" + kJournalName));
    if (plan) {
        std::vector<bool> staged;
        for (const std::string& name : plan->place) staged.push_back(exists(folder + "\\" + name));
        const bool finish = recoveryOf(*plan, staged) == Recovery::Finish;
        if (!(finish ? finishCommit(dir, folder, *plan) : undoCommit(dir, folder, *plan)))
            return "a make that was stopped while it put its disc in place left " + folder + ", and it could not be " +
                   (finish ? "finished" : "undone") + " (" + systemCause(GetLastError(), folder) +
                   "): its files are kept there";
        note = finish ? "a make into this folder was stopped while it put its disc in place: finished it, the "
                        "folder holds the disc that make made"
                      : "a make into this folder was stopped while it put its disc in place: undid it, the "
                        "folder holds the files it held before";
    } else {
        note = "removed " + folder + ", left by a make that was stopped before it put its disc in place";
    }
    owner.reset();
    deleteFolder(folder);
    return "";
}

}  // namespace

ScopedFile openForIdentity(const std::string& path) {
    // Access 0: the identity is read without reading the file, also while others hold it open.
    return ScopedFile(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileFacts factsOf(HANDLE file, const std::string& path) {
    FileFacts facts;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info)) {
        facts.open = true;
        facts.volume = info.dwVolumeSerialNumber;
        facts.indexHigh = info.nFileIndexHigh;
        facts.indexLow = info.nFileIndexLow;
        facts.size = uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
        facts.written = fileTime(info.ftLastWriteTime);
    }
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    facts.path = longPath(n && n < sizeof full ? std::string(full, n) : path);
    // Names compare without regard to case, in the system's code page too.
    if (!facts.path.empty()) CharUpperBuffA(facts.path.data(), DWORD(facts.path.size()));
    return facts;
}

bool isFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string systemCause(DWORD error, const std::string& path) {
    switch (error) {
    case ERROR_ACCESS_DENIED: return isFolder(path) ? "a folder of that name is in the way" : "access denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "in use by another program";
    case ERROR_WRITE_PROTECT: return "the disk is write-protected";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_FILE_NOT_FOUND: return "no such file";
    // A write that the system let through short: Windows says so only by the count written.
    case NO_ERROR: return "a write came out short (no room left on the disk, or a file size limit)";
    }
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.' || text[n - 1] == ' ')) --n;
    return (n ? std::string(text, n) + " " : std::string()) + "(system error " + std::to_string(error) + ")";
}

void testHold(const std::string& point) {
    char want[64], file[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("DUVAD_TEST_HOLD", want, sizeof want);
    if (!n || n >= sizeof want || ("," + std::string(want) + ",").find("," + point + ",") == std::string::npos) return;
    const DWORD m = GetEnvironmentVariableA("DUVAD_TEST_HOLD_FILE", file, sizeof file);
    if (!m || m >= sizeof file) return;
    CloseHandle(CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    while (exists(file)) Sleep(10);
}

std::string earlierDisc(const std::string& dir, const std::vector<std::string>& names,
                        const std::vector<std::string>& anyDisc, bool replace, const std::vector<FileFacts>& sources,
                        const std::vector<std::string>& sourceNames, std::vector<std::string>& earlier) {
    const std::optional<std::vector<RecordEntry>> record = parseRecord(readText(dir + kRecordName));
    auto named = [](const std::string& name, const auto& list, auto nameOf) {
        for (const auto& item : list)
            if (sameName(nameOf(item), name)) return true;
        return false;
    };
    std::string foreign;
    WIN32_FIND_DATAA found;
    ScopedFind find(FindFirstFileA((dir + "*").c_str(), &found));
    if (!find.valid()) return "";  // an empty folder, or one just made
    do {
        const std::string name = found.cFileName, file = dir + name;
        // A name of the new disc, or one the earlier disc had (removed with it when unchanged).
        const bool needed = named(name, names, [](const std::string& n) { return n; });
        if (!needed && !(record && named(name, *record, [](const RecordEntry& f) { return f.name; }))) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (needed) return file + ": a folder of that name is in the way of the disc's file";
            continue;
        }
        // Its identity while every source's handle and its own are open.
        ScopedFile held = openForIdentity(file);
        const FileFacts facts = factsOf(held.get(), file);
        bool source = false;
        for (size_t k = 0; k < sources.size() && !source; ++k) {
            source = sameFile(facts, sources[k]);
            if (source && needed)
                return sourceNames[k] + " is " + file +
                       ", a file of the disc: making the disc would overwrite it; copy it elsewhere or choose "
                       "another folder";
        }
        const RecordEntry entry{name, uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow,
                                fileTime(found.ftLastWriteTime)};
        const bool ours = record && (sameName(name, kRecordName) || isRecorded(*record, entry));
        if (!needed) {
            if (ours && !source && named(name, anyDisc, [](const std::string& n) { return n; }))
                earlier.push_back(name);
            continue;
        }
        // Said only when nothing graver (a source, a folder) is in the way.
        if (!ours && !replace && foreign.empty())
            foreign = file +
                      " was not made by duvad (or changed since): make would replace it; move it away, or "
                      "give --replace to replace it";
        earlier.push_back(name);
    } while (FindNextFileA(find.get(), &found));
    return foreign;
}

Staging::Staging(const std::string& outDir) : outDir_(outDir) {
    while (outDir_.size() > 3 && outDir_.back() == '\\') outDir_.pop_back();
    dir_ = outDir_ + (outDir_.back() == '\\' ? "" : "\\");
}

Staging::~Staging() { clear(); }

std::string Staging::claim(const std::vector<std::string>& sources, const std::vector<std::string>& given) {
    if (!exists(outDir_)) {
        if (CreateDirectoryA(outDir_.c_str(), nullptr))
            madeOutDir_ = true;
        else if (GetLastError() != ERROR_ALREADY_EXISTS)  // else another make made it meanwhile
            return "cannot create the folder " + outDir_ + ": " + systemCause(GetLastError(), outDir_);
    }
    // No sharing: a second make cannot open it while this one lives. Removed when closed (by the
    // system too when this process is killed; Windows 95 and 98 leave it, and it is used again).
    const std::string lock = dir_ + kLockName;
    // A make's lock is an empty file: anything else of that name is the user's, and closing the
    // lock would delete it.
    WIN32_FIND_DATAA there;
    if (ScopedFind f(FindFirstFileA(lock.c_str(), &there));
        f.valid() && ((there.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || there.nFileSizeLow || there.nFileSizeHigh))
        return lock + " is not a lock of a make (that is an empty file): move it away, then make again";
    lock_.reset(CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!lock_.valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && exists(lock)))
            return outDir_ + " is in use by another make of a disc; try again once it has ended";
        return "cannot write in " + outDir_ + ": " + systemCause(error, lock);
    }
    WIN32_FIND_DATAA found;
    std::vector<std::string> left;
    ScopedFind find(FindFirstFileA((dir_ + "~duvad*.tmp").c_str(), &found));
    if (find.valid()) {
        do
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && isStagingName(found.cFileName))
                left.push_back(dir_ + found.cFileName);
        while (FindNextFileA(find.get(), &found));
    }
    for (const std::string& folder : left) {
        // Its files go with it: a source in it (a track file the user would save) is refused.
        const std::string inside = factsOf(INVALID_HANDLE_VALUE, folder).path + "\\";
        for (size_t k = 0; k < sources.size(); ++k)
            if (factsOf(INVALID_HANDLE_VALUE, sources[k]).path.compare(0, inside.size(), inside) == 0)
                return given[k] + " is in " + folder +
                       ", which a make that was stopped left and the next make removes: copy it elsewhere first";
        std::string note;
        if (const std::string why = recoverFolder(dir_, folder, note); !why.empty()) return why;
        if (!note.empty()) std::printf("note: %s: %s\n", outDir_.c_str(), note.c_str());
    }
    return "";
}

std::string Staging::open() {
    for (DWORD n = 1; n <= 100; ++n) {
        const std::string folder = dir_ + stagingName(n);
        if (!CreateDirectoryA(folder.c_str(), nullptr)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) continue;  // another's: left alone
            return "cannot create a folder in " + outDir_ + ": " + systemCause(GetLastError(), folder);
        }
        folder_ = folder;
        // Held with no sharing while this make lives: the next make takes a folder whose owner file
        // it can open for one that a stopped make left.
        owner_.reset(CreateFileA(path(kOwnerName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!owner_.valid()) return "cannot write in " + folder_ + ": " + systemCause(GetLastError(), path(kOwnerName));
        return "";
    }
    return "cannot create a folder in " + outDir_ + ": all names tried are taken";
}

std::string Staging::commit(const std::vector<std::string>& names, const std::vector<std::string>& earlier,
                            const std::atomic<bool>& stop) {
    CommitPlan plan;
    for (size_t k = 0; k < earlier.size(); ++k) plan.aside.push_back({"old" + std::to_string(k + 1), earlier[k]});
    plan.place = names;
    const std::string journal = path(kJournalName);
    if (!writeNew(journal, journalText(plan)))
        return "cannot write " + journal + ": " + systemCause(GetLastError(), journal) + "; the folder is as it was";
    int moves = 0;
    testHold("commit0");
    auto undo = [&](const std::string& why) {
        const bool marked = appendText(journal, kJournalUndo);
        testHold("undoing");
        const bool whole = marked && undoCommit(dir_, folder_, plan);
        if (whole) return why + "; the folder is as it was";
        committed_ = true;  // keeps the staging folder: it holds files that could not go back
        return why + "; the earlier files are kept in " + folder_ + " (the next make into the folder puts them back)";
    };
    for (const CommitPlan::Aside& a : plan.aside) {
        if (stop) return undo("interrupted");
        const std::string final = dir_ + a.final;
        if (!MoveFileA(final.c_str(), path(a.staged).c_str()))
            return undo("cannot replace " + final + ": " + systemCause(GetLastError(), final));
        testHold("commit" + std::to_string(++moves));
    }
    for (const std::string& name : plan.place) {
        if (stop) return undo("interrupted");
        const std::string final = dir_ + name;
        if (!MoveFileA(path(name).c_str(), final.c_str()))
            return undo("cannot move the new " + name + " into " + outDir_ + ": " + systemCause(GetLastError(), final));
        testHold("commit" + std::to_string(++moves));
    }
    committed_ = true;
    owner_.reset();
    deleteFolder(folder_);  // the earlier files moved aside, now replaced, and the journal
    folder_.clear();
    return "";
}

void Staging::clear() {
    if (!committed_ && !folder_.empty()) {
        owner_.reset();
        deleteFolder(folder_);
    }
    owner_.reset();
    if (lock_.valid()) {
        lock_.reset();
        DeleteFileA((dir_ + kLockName).c_str());  // where closing did not remove it
    }
    if (madeOutDir_) RemoveDirectoryA(outDir_.c_str());
}

}  // namespace duvad::host
