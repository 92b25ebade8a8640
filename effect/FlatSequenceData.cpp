#include "FlatSequenceData.h"

#include <cstring>

size_t FlatSequenceData::blockSize(size_t textLength)
{
    if (textLength > UINT32_MAX - OVERHEAD) return 0;
    return textLength + OVERHEAD;
}

void FlatSequenceData::write(void* block, const std::string& text)
{
    uint8_t* bytes = static_cast<uint8_t*>(block);
    const uint32_t textLength = static_cast<uint32_t>(text.size());
    const uint32_t totalSize = static_cast<uint32_t>(blockSize(text.size()));
    std::memset(bytes, 0, totalSize);
    std::memcpy(bytes + TOTAL_SIZE_OFFSET, &totalSize, sizeof(totalSize));
    std::memcpy(bytes + TEXT_LENGTH_OFFSET, &textLength, sizeof(textLength));
    std::memcpy(bytes + TEXT_OFFSET, text.data(), text.size());
}

std::string FlatSequenceData::readText(const void* block, size_t size)
{
    if (!block || size <= TEXT_OFFSET) return std::string();
    const char* text = static_cast<const char*>(block) + TEXT_OFFSET;
    const size_t available = size - TEXT_OFFSET;
    const void* terminator = std::memchr(text, 0, available);
    const size_t length = terminator ? static_cast<size_t>(static_cast<const char*>(terminator) - text) : available;
    return std::string(text, length);
}
