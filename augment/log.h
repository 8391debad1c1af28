// "Tavrin.log": the only channel from Tavrin to its user.
#pragma once

#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The log of one run: open for appending from the start of the run to its
// end. Lines written while it is not open go nowhere.
class Log {
public:
    Log() = default;
    ~Log() { close(); }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Opens the file for appending (created when missing); false when it cannot be opened.
    bool open(const std::string& path);
    void close();

    // Appends one line: the local time as asctime gives it without its line
    // end ("Tue Dec 08 06:00:35 2026", day with a leading zero), a space, the
    // text as escapedForLog gives it and a line end. The line reaches the
    // file before this returns, so a run that is killed or hangs later
    // leaves it.
    void message(const std::string& text) const;
    // The same; the notice shows `shown`, the line in the user's language.
    void message(const std::string& text, const std::string& shown) const;
    // The line `format` (a catalogue message) gives with each "%s" filled by
    // the next part: in English in the file, in the user's language in the
    // notice.
    void say(const char* format, std::initializer_list<std::string> parts = {}) const;

    // The lines this Log has written as the notice shows them (escaped),
    // oldest first, for a notice of what went wrong.
    const std::vector<std::string>& written() const { return written_; }

private:
    std::FILE* file_ = nullptr;
    mutable std::vector<std::string> written_;
};

// The time part of a log line, for the given local time.
std::string logTimestamp(const std::tm& local);

// The text with each control byte (0x00-0x1F, 0x7F) written out as "\t",
// "\n", "\r" or "\x01" (two lowercase hex digits), so a path, link or
// command line quoted in a line can neither end the line nor forge another.
// Every other byte stays, those from 0x80 up included (Windows-1251 letters,
// UTF-8); a backslash stays too, as Windows paths are full of them.
std::string escapedForLog(std::string_view text);
