// The effect's re-set-up of an instance from its flat block: the load-info
// text read from the block, then the model and texture paths taken from it.
// Writing that text into a new block and reading it back must give it again.
#include <string>
#include <vector>

#include "FlatSequenceData.h"
#include "FuzzTarget.h"
#include "LoadInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = FlatSequenceData::readText(data, size);
    std::vector<std::string> paths;
    modelPathsFromLoadInfo(text, paths);
    std::vector<uint8_t> block(FlatSequenceData::blockSize(text.size()));
    tavrix_fuzz::require(!block.empty(), "every text read from a block fits a block");
    FlatSequenceData::write(block.data(), text);
    tavrix_fuzz::require(FlatSequenceData::readText(block.data(), block.size()) == text,
                         "a flattened text reads back unchanged");
    return 0;
}
