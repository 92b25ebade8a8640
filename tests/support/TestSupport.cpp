#include "TestSupport.h"

#include <cstdlib>

namespace tavrix_test {

std::string dataDir()
{
    const char* dir = std::getenv("TAVRIX_TEST_DATA");
    return dir ? dir : "tests/data";
}

} // namespace tavrix_test
