// Reading what tests/support/fake_client recorded (a bencoded list of its arguments).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Waits up to `timeoutMs` for the record of a fake client started as
// `clientPath` and returns the argument vector it got (argv[0] first);
// nothing when no record appeared. The record is removed after reading.
std::optional<std::vector<std::string>> waitForClientRecord(const std::string& clientPath, int timeoutMs = 20000);

}  // namespace testing_support
