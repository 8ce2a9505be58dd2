#include "host/disc_folder.h"

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

}  // namespace

FileKey keyOf(const std::string& path) {
    FileKey key;
    // Access 0: the identity is read without reading the file, also while others hold it open.
    ScopedFile file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (file && GetFileInformationByHandle(file.get(), &info)) {
        key.volume = info.dwVolumeSerialNumber;
        key.indexHigh = info.nFileIndexHigh;
        key.indexLow = info.nFileIndexLow;
        // A file system that reports zeros for all three gives no identity.
        key.identified = key.volume || key.indexHigh || key.indexLow;
    }
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    key.path = longPath(n && n < sizeof full ? std::string(full, n) : path);
    return key;
}

bool sameFile(const FileKey& a, const FileKey& b) {
    if (a.identified && b.identified)
        return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
    return lstrcmpiA(a.path.c_str(), b.path.c_str()) == 0;  // file names do not tell case apart
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

Staging::Staging(const std::string& outDir) : outDir_(outDir) {
    while (outDir_.size() > 3 && outDir_.back() == '\\') outDir_.pop_back();
}

Staging::~Staging() { clear(); }

std::string Staging::open() {
    if (GetFileAttributesA(outDir_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryA(outDir_.c_str(), nullptr))
            return "cannot create the folder " + outDir_ + ": " + systemCause(GetLastError(), outDir_);
        madeOutDir_ = true;
    }
    const std::string dir = outDir_ + (outDir_.back() == '\\' ? "" : "\\");
    for (DWORD n = GetCurrentProcessId() % 100000, tries = 0; tries < 100; ++n, ++tries) {
        const std::string folder = dir + "~duvad" + std::to_string(n) + ".tmp";
        if (CreateDirectoryA(folder.c_str(), nullptr)) {
            folder_ = folder;
            return "";
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return "cannot create a folder in " + outDir_ + ": " + systemCause(GetLastError(), folder);
    }
    return "cannot create a folder in " + outDir_ + ": all names tried are taken";
}

std::string Staging::commit(const std::vector<std::string>& names) {
    const std::string dir = outDir_ + (outDir_.back() == '\\' ? "" : "\\");
    const std::string kAside = "old.";  // no staged file's name begins so
    std::vector<std::string> aside, placed;
    auto undo = [&](const std::string& why) {
        bool whole = true;
        for (const std::string& name : placed) whole &= MoveFileA((dir + name).c_str(), path(name).c_str()) != 0;
        for (const std::string& name : aside)
            whole &= MoveFileA(path(kAside + name).c_str(), (dir + name).c_str()) != 0;
        if (whole) return why + "; the folder is as it was";
        committed_ = true;  // keeps the staging folder: it holds files that could not go back
        return why + "; the earlier files are kept in " + folder_;
    };
    for (const std::string& name : names) {
        const std::string final = dir + name;
        if (GetFileAttributesA(final.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        if (!MoveFileA(final.c_str(), path(kAside + name).c_str()))
            return undo("cannot replace " + final + ": " + systemCause(GetLastError(), final));
        aside.push_back(name);
    }
    for (const std::string& name : names) {
        const std::string final = dir + name;
        if (!MoveFileA(path(name).c_str(), final.c_str()))
            return undo("cannot move the new " + name + " into " + outDir_ + ": " + systemCause(GetLastError(), final));
        placed.push_back(name);
    }
    committed_ = true;
    deleteFolder(folder_);  // the earlier files moved aside, now replaced
    folder_.clear();
    return "";
}

void Staging::clear() {
    if (committed_) return;
    if (!folder_.empty()) deleteFolder(folder_);
    if (madeOutDir_) RemoveDirectoryA(outDir_.c_str());
}

}  // namespace duvad::host
