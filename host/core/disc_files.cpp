#include "host/core/disc_files.h"

#include <charconv>

namespace duvad::host {
namespace {

char folded(char c) {
    if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
    return c == '/' ? '\\' : c;
}

constexpr std::string_view kRecordHead = "duvad disc 1\n", kJournalHead = "duvad commit 1\n", kEnd = "end\n";

// The next line of `text` (without its line feed) into `line`; false at the end or before a line
// that does not end.
bool nextLine(std::string_view& text, std::string_view& line) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;
    line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

// The first word of `line` (up to a space) as a number, removed with its space.
bool number(std::string_view& line, uint64_t& value) {
    const size_t space = line.find(' ');
    if (space == std::string_view::npos || space == 0) return false;
    const auto [end, error] = std::from_chars(line.data(), line.data() + space, value);
    if (error != std::errc() || end != line.data() + space) return false;
    line.remove_prefix(space + 1);
    return true;
}

// A name as the lists hold it: the rest of a line, one file's name in the output folder (or the
// staging folder): not empty, no control characters, no folder (no separator, drive or "..") and
// nothing the system would change (a trailing dot or space) or take as a pattern. A forged list
// cannot send a move outside the folder.
bool plainName(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    return true;
}

// A staging folder's name for an earlier file moved aside: "old" and a number.
bool asideName(std::string_view name) {
    if (name.size() < 4 || name.substr(0, 3) != "old") return false;
    for (const char c : name.substr(3))
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (folded(a[i]) != folded(b[i])) return false;
    return true;
}

bool sameFile(const FileFacts& a, const FileFacts& b) {
    if (sameName(a.path, b.path)) return true;
    if (!a.open || !b.open) return false;
    if (!(a.indexHigh || a.indexLow) || a.indexHigh != b.indexHigh || a.indexLow != b.indexLow) return false;
    if (a.volume != b.volume) return false;
    return a.volume != 0 || (a.size == b.size && a.written == b.written);
}

std::string stagingName(unsigned n) { return "~duvad" + std::to_string(n) + ".tmp"; }

bool isStagingName(std::string_view name) {
    constexpr std::string_view head = "~DUVAD", tail = ".TMP";
    if (name.size() <= head.size() + tail.size() || name[head.size()] == '0' ||
        !sameName(name.substr(0, head.size()), head) || !sameName(name.substr(name.size() - tail.size()), tail))
        return false;
    for (const char c : name.substr(head.size(), name.size() - head.size() - tail.size()))
        if (c < '0' || c > '9') return false;
    return true;
}

std::string recordText(const std::vector<RecordEntry>& files) {
    std::string text(kRecordHead);
    for (const RecordEntry& f : files)
        text += std::to_string(f.size) + " " + std::to_string(f.written) + " " + f.name + "\n";
    return text += kEnd;
}

std::optional<std::vector<RecordEntry>> parseRecord(std::string_view text) {
    if (text.substr(0, kRecordHead.size()) != kRecordHead) return std::nullopt;
    text.remove_prefix(kRecordHead.size());
    std::vector<RecordEntry> files;
    for (std::string_view line; nextLine(text, line);) {
        if (line == kEnd.substr(0, kEnd.size() - 1)) return text.empty() ? std::optional(files) : std::nullopt;
        RecordEntry f;
        if (!number(line, f.size) || !number(line, f.written) || !plainName(line)) return std::nullopt;
        f.name = line;
        files.push_back(std::move(f));
    }
    return std::nullopt;
}

bool isRecorded(const std::vector<RecordEntry>& record, const RecordEntry& found) {
    for (const RecordEntry& f : record)
        if (sameName(f.name, found.name)) return f.size == found.size && f.written == found.written;
    return false;
}

std::string journalText(const CommitPlan& plan) {
    std::string text(kJournalHead);
    for (const CommitPlan::Aside& a : plan.aside) text += "aside " + a.staged + " " + a.final + "\n";
    for (const std::string& name : plan.place) text += "place " + name + "\n";
    return text += kEnd;
}

std::optional<CommitPlan> parseJournal(std::string_view text) {
    if (text.substr(0, kJournalHead.size()) != kJournalHead) return std::nullopt;
    text.remove_prefix(kJournalHead.size());
    CommitPlan plan;
    for (std::string_view line; nextLine(text, line);) {
        if (line == kEnd.substr(0, kEnd.size() - 1)) {
            if (text == kJournalUndo)
                plan.undoing = true;
            else if (!text.empty())
                return std::nullopt;
            return plan;
        }
        if (line.substr(0, 6) == "aside ") {
            line.remove_prefix(6);
            const size_t space = line.find(' ');
            if (space == std::string_view::npos) return std::nullopt;
            CommitPlan::Aside a{std::string(line.substr(0, space)), std::string(line.substr(space + 1))};
            if (!asideName(a.staged) || !plainName(a.final)) return std::nullopt;
            plan.aside.push_back(std::move(a));
        } else if (line.substr(0, 6) == "place " && plainName(line.substr(6))) {
            plan.place.emplace_back(line.substr(6));
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

Recovery recoveryOf(const CommitPlan& plan, const std::vector<bool>& placeStaged) {
    if (plan.undoing) return Recovery::Undo;
    for (size_t k = 0; k < plan.place.size() && k < placeStaged.size(); ++k)
        if (!placeStaged[k]) return Recovery::Finish;
    return Recovery::Undo;
}

}  // namespace duvad::host
