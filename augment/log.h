// "Tavrin.log": the only channel from Tavrin to its user.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

// Open for appending from the start of a run to its end; null before.
extern std::FILE* logFile;

// Appends one line: the local time as asctime gives it without its line end
// ("Tue Dec 08 06:00:35 2026", day with a leading zero), a space, the text
// and a line end. Does nothing while no log is open.
void logMessage(const std::string& text);

// The time part of a log line, for the given local time.
std::string logTimestamp(const std::tm& local);
