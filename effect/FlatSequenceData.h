#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// The persisted form of an instance: a block of textLength + 16 bytes holding
// the load-info text. Integers in the machine's (little-endian) order:
//   0  4  reserved, zero
//   4  4  totalSize  = textLength + 16
//   8  4  textLength (terminator excluded)
//  12  2  reserved, zero
//  14  textLength + 1  the text and one zero byte
//  15 + textLength  1  spare, zero
struct FlatSequenceData {
    static constexpr size_t TOTAL_SIZE_OFFSET = 4;
    static constexpr size_t TEXT_LENGTH_OFFSET = 8;
    static constexpr size_t TEXT_OFFSET = 14;
    static constexpr size_t OVERHEAD = 16;

    // Bytes of the block for a text of that length; 0 when the length does
    // not fit the 32-bit size field.
    static size_t blockSize(size_t textLength);
    // Fills a block of blockSize(text.size()) bytes.
    static void write(void* block, const std::string& text);
    // The text from offset 14 up to the first zero byte, never past the
    // block: without a terminator the text ends at the block's end. The size
    // fields are not consulted.
    static std::string readText(const void* block, size_t size);
};
