// "Tavrin.log": the only channel from Tavrin to its user.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
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
    // text and a line end.
    void message(const std::string& text) const;

    // The texts of the lines this Log has written, oldest first, for a
    // notice of what went wrong.
    const std::vector<std::string>& written() const { return written_; }

private:
    std::FILE* file_ = nullptr;
    mutable std::vector<std::string> written_;
};

// The time part of a log line, for the given local time.
std::string logTimestamp(const std::tm& local);
