// Shared helpers for the test programs.
#pragma once

#include <string>

namespace tavrix_test {

// Directory of checked-in test data (tests/data).
std::string dataDir();

} // namespace tavrix_test
