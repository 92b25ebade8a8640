#include "util/UtDebug.h"

#include <cstdio>

#include "type/LDVector.h"

namespace tavrix {

int UtDebug::errorCount = 0;
unsigned long UtDebug::messageCount = 0;

static const char* const BANNER_END = "*****************************************************************\n";

void UtDebug::printBannerStart()
{
    ++errorCount;
    ++messageCount;
    std::printf("******************** < ERROR[%3d] @UtDebug > ********************\n", errorCount);
}

void UtDebug::error(const char* format, ...)
{
    printBannerStart();
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n%s", BANNER_END);
    std::fflush(stdout);
}

void UtDebug::assertF(const char* file, int line, const char* format, ...)
{
    printBannerStart();
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n      @ %s : %d\n", file, line);
    std::printf("%s", BANNER_END);
    std::fflush(stdout);
}

void UtDebug::print(const char* format, ...)
{
    ++messageCount;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void UtDebug::println(const char* format, ...)
{
    ++messageCount;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
}

void UtDebug::dumpByte(const char* bytes, int n)
{
    for (int i = 0; i < n; ++i) {
        if (i > 0 && i % 16 == 0) std::printf("\n");
        else if (i > 0 && i % 8 == 0) std::printf("  ");
        std::printf("%02X ", static_cast<unsigned char>(bytes[i]));
    }
    std::printf("\n");
    std::fflush(stdout);
}

void UtDebug::printVectorUShort(const char* name, LDVector<unsigned short>* values, const char* suffix)
{
    std::printf("%s\n", name);
    if (!values) return;
    for (int i = 0; i < values->size(); ++i) std::printf("%d%s", (*values)[i], suffix);
}

} // namespace tavrix
