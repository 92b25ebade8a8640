#pragma once

namespace tavrix {

class LDString;

class UtFile {
public:
    // Reads a whole file into a block of the global temporary memory. Returns
    // null when the file cannot be opened, measured (or is 2 GiB or larger)
    // or fully read. Release the block with releaseLoadBuffer.
    static char* loadFile(const char* path, int* size);
    static char* loadFile(const LDString& path, int* size);
    static void releaseLoadBuffer(char* block);
};

} // namespace tavrix
