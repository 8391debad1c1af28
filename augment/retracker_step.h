// The retracker step: adds the torrent's own announce URL and the user's live
// retrackers to the document's announce-list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "augment/live_retrackers.h"
#include "augment/run.h"
#include "bencoding/bvalue.h"

// Resolves the live retrackers from the run's Settings.ini and augments the
// document. A private torrent ("private" = 1 in "info") is left as it is,
// after a log line, unless AddToPrivate is "True" in any letter case. 0 when it was augmented; 1 after one log line naming the failure,
// the tree then unchanged. Throws BadType for a torrent key of the wrong kind
// (or a missing "info", "name" or size). `contentSize` is the torrent's size
// when the reader gathered it (parseDocument); without it the size is read
// from "info".
int32_t runRetrackerStep(const TavrinRun& run, BValue& root, std::optional<int64_t> contentSize = std::nullopt);

// resolveLiveRetrackers for the run, logging a failure (its line and, where
// one is found, its cause) or, on success, that TrackerCheck was never
// written. The step's part that torrents and magnet links share.
LiveRetrackers resolveLoggingFailures(const TavrinRun& run);

// Appends to "announce-list" (created when absent) the torrent's own announce
// URL as a tier and one tier per URL of `live`, in order, each with the
// statistics query when `live.addStatistics` is on and it names
// kStatisticsHost. `live` must be resolved. Throws BadType as above.
void augmentAnnounceList(const LiveRetrackers& live, BValue& root, std::optional<int64_t> contentSize = std::nullopt);

// The torrent's size: "length" of "info", else the sum of the "length" of
// each "files" element, else (a torrent with only a v2 "file tree") the sum
// of the file tree's lengths. Sums wrap in 64 bits. Throws BadType when
// "info" has none of the three. `contentSize`, when given, is the answer
// the reader found on its way (the same as the walk's, see reader.h).
int64_t totalSize(const BValue& root, std::optional<int64_t> contentSize = std::nullopt);
