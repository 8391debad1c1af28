// The retracker step: adds the torrent's own announce URL and the user's live
// retrackers to the document's announce-list.
#pragma once

#include <cstdint>

#include "bencoding/bvalue.h"

// 0 when the document was augmented; 1 after one log line naming the failure.
// May throw BadType for a torrent key of the wrong kind.
int32_t runRetrackerStep(BValue& root);
