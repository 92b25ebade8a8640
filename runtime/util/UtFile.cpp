#include "util/UtFile.h"

#include <climits>
#include <cstdio>

#include "memory/UtMemory.h"
#include "type/LDString.h"

namespace tavrix {

char* UtFile::loadFile(const char* path, int* size)
{
    if (size) *size = 0;
    if (!path) return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;

    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || length >= INT_MAX || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }

    // One spare byte so that an empty file still yields a block.
    char* block = static_cast<char*>(UtMemory::malloc_exe(nullptr, static_cast<size_t>(length) + 1));
    if (!block) {
        std::fclose(file);
        return nullptr;
    }
    size_t read = std::fread(block, 1, static_cast<size_t>(length), file);
    std::fclose(file);
    if (read < static_cast<size_t>(length)) {
        UtMemory::free_exe(block);
        return nullptr;
    }
    if (size) *size = static_cast<int>(length);
    return block;
}

char* UtFile::loadFile(const LDString& path, int* size)
{
    return loadFile(path.c_str(), size);
}

void UtFile::releaseLoadBuffer(char* block)
{
    UtMemory::free_exe(block);
}

} // namespace tavrix
