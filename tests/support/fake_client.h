// Reading what tests/support/fake_client recorded (a bencoded list of its arguments).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Waits up to `timeoutMs` for the record of a fake client started as
// `clientPath` and returns the argument vector it got (argv[0] first);
// nothing when no record appeared. The record is removed after reading.
// With `utf8` (Windows), the arguments are those of the wide command line in UTF-8.
std::optional<std::vector<std::string>> waitForClientRecord(const std::string& clientPath, int timeoutMs = 20000,
                                                            bool utf8 = false);

}  // namespace testing_support
