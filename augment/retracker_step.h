// The retracker step: adds the torrent's own announce URL and the user's live
// retrackers to the document's announce-list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bencoding/bvalue.h"

// A retracker URL that contains this host name gets the statistics query
// appended when AddStat is on.
constexpr const char* kStatisticsHost = "stat.retracker.local";

// Reads TrackerIniIndex and TrackerCheck from Settings.ini and augments the
// document. 0 when it was augmented; 1 after one log line naming the failure.
// Throws BadType for a torrent key of the wrong kind (or a missing "info",
// "name" or size).
int32_t runRetrackerStep(BValue& root);

// Appends the numbers of a TrackerCheck value to the list: numbers separated
// by spaces, up to the first 0 or anything that is not a number.
void parseTrackerCheck(const char* text, std::vector<int32_t>& list);

// Resolves city, provider and retracker section in the directory, then
// appends to "announce-list" (created when absent) the torrent's own announce
// URL as a tier and one tier per live retracker, in list order. Returns 1
// after a log line when a directory lookup fails; the tree is then unchanged.
int32_t augmentAnnounceList(int32_t city, int32_t provider, BValue& root, const std::vector<int32_t>& live);

// Bytes A-Z, a-z, 0-9 and "." stay; every other byte becomes "%" and two
// lower-case hex digits.
std::string urlEncode(const std::string& bytes);

// The torrent's size: "length" of "info", else the sum of the "length" of
// each "files" element, else (a torrent with only a v2 "file tree") the sum
// of the file tree's lengths. Sums wrap in 64 bits. Throws BadType when
// "info" has none of the three.
int64_t totalSize(const BValue& root);
