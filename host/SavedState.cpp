#include "SavedState.h"

#include <algorithm>

namespace tavrix_host {

namespace {

const size_t HEADER_SIZE = 14;

void putLittleEndian32(std::vector<uint8_t>& block, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

std::vector<uint8_t> SavedState::blockFor(const std::string& text)
{
    std::vector<uint8_t> block(HEADER_SIZE + text.size() + 2, 0);
    putLittleEndian32(block, 4, static_cast<uint32_t>(block.size()));
    putLittleEndian32(block, 8, static_cast<uint32_t>(text.size()));
    std::copy(text.begin(), text.end(), block.begin() + HEADER_SIZE);
    return block;
}

std::string SavedState::textOf(const std::vector<uint8_t>& block)
{
    if (block.size() <= HEADER_SIZE) return std::string();
    auto begin = block.begin() + HEADER_SIZE;
    return std::string(begin, std::find(begin, block.end(), 0));
}

} // namespace tavrix_host
