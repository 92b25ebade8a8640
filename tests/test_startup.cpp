// Runtime start-up and release, diagnostics, clock and file reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "Tavrix.h"
#include "memory/UtMemory.h"
#include "type/LDString.h"
#include "support/RuntimeFixture.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"
#include "util/UtSystem.h"

using namespace tavrix;
using tavrix_test::captureStdout;

namespace {

const char* const BANNER_END = "\n*****************************************************************\n";

std::string errorReport(int number, const std::string& message)
{
    char head[128];
    std::snprintf(head, sizeof head, "******************** < ERROR[%3d] @UtDebug > ********************\n", number);
    return head + message + BANNER_END;
}

TEST(Startup, InitCountingNeedsOneDisposePerInit)
{
    std::string out = captureStdout([] { Tavrix::init(); });
    EXPECT_EQ(out, "Tavrix version 2.0.06 for iPhone ES2\n");

    out = captureStdout([] { Tavrix::init(); });
    EXPECT_EQ(out, errorReport(1, "Tavrix::init() skipped , already initialized."));
    EXPECT_EQ(Tavrix::getInitCount(), 2);

    out = captureStdout([] { Tavrix::dispose(); });
    EXPECT_EQ(out, "Tavrix::dispose() skipped , init count:1.\n");
    EXPECT_NE(UtMemory::getTmpMemoryParam(), nullptr) << "still running";

    out = captureStdout([] { Tavrix::dispose(); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(UtMemory::getTmpMemoryParam(), nullptr);

    // Starting again does not print the version line a second time.
    out = captureStdout([] { Tavrix::init(); });
    EXPECT_EQ(out, "");
    Tavrix::dispose();
}

TEST(Startup, DisposeWithoutInitAndTheWrongCountThatFollows)
{
    std::string out = captureStdout([] { Tavrix::dispose(); });
    EXPECT_EQ(out, errorReport(1, "Tavrix::dispose() skipped , already disposed."));
    EXPECT_EQ(Tavrix::getInitCount(), -1);
    out = captureStdout([] { Tavrix::init(); });
    EXPECT_EQ(out, errorReport(2, "Tavrix::init() skipped , wrong init count."));
    EXPECT_EQ(Tavrix::getInitCount(), 0);
    EXPECT_EQ(UtMemory::getTmpMemoryParam(), nullptr);
}

TEST(Startup, VersionFactsAndLastError)
{
    EXPECT_STREQ(Tavrix::getVersionStr(), "2.0.06");
    EXPECT_EQ(Tavrix::getVersionNo(), 200040000);
    EXPECT_TRUE(Tavrix::getBuildOption_RANGE_CHECK_POINT());
    EXPECT_TRUE(Tavrix::getBuildOption_AVATAR_OPTION_A());
    EXPECT_FALSE(Tavrix::isVertexDoubleBufferEnabled());
    Tavrix::setError(2001);
    EXPECT_EQ(Tavrix::getError(), 2001u);
    EXPECT_EQ(Tavrix::getError(), 0u);
}

TEST(Diagnostics, ErrorReportsAreNumberedAndFramed)
{
    std::string out = captureStdout([] {
        UtDebug::error("first %d", 1);
        UtDebug::error("second");
        UtDebug::assertF("file.cpp", 42, "third %s", "x");
    });
    std::string expected = errorReport(1, "first 1") + errorReport(2, "second");
    expected += "******************** < ERROR[  3] @UtDebug > ********************\n"
                "third x\n      @ file.cpp : 42\n"
                "*****************************************************************\n";
    EXPECT_EQ(out, expected);
}

TEST(Diagnostics, DumpBytePrintsSixteenPerLineWithGapAtEight)
{
    char bytes[18];
    for (int i = 0; i < 18; ++i) bytes[i] = static_cast<char>(i + 0xF0 - 8);
    std::string out = captureStdout([&] { UtDebug::dumpByte(bytes, 18); });
    EXPECT_EQ(out,
              "E8 E9 EA EB EC ED EE EF   F0 F1 F2 F3 F4 F5 F6 F7 \n"
              "F8 F9 \n");
    EXPECT_EQ(captureStdout([] { UtDebug::println("n=%d", 3); UtDebug::print("x"); }), "n=3\nx");
}

TEST(Clock, UserTimeOverridesWallClockUntilReset)
{
    int64_t now = UtSystem::getTimeMSec();
    EXPECT_GE(now, 0);
    EXPECT_LT(now, 1000000LL * 1000);
    UtSystem::setUserTimeMSec(5000);
    EXPECT_EQ(UtSystem::getUserTimeMSec(), 5000);
    EXPECT_EQ(UtSystem::getUserTimeMSec(), 5000);
    UtSystem::resetUserTimeMSec();
    EXPECT_NE(UtSystem::getUserTimeMSec(), 5000);
    int64_t updated = UtSystem::updateUserTimeMSec();
    EXPECT_EQ(UtSystem::getUserTimeMSec(), updated);
    UtSystem::resetUserTimeMSec();
    EXPECT_FALSE(UtSystem::isBigEndian());
}

class FileTest : public tavrix_test::RuntimeTest {
protected:
    std::string tempPath(const char* name)
    {
        return ::testing::TempDir() + "tavrix_" + std::to_string(getpid()) + "_" + name;
    }
};

TEST_F(FileTest, LoadFileReadsWholeFileAndEmptyFileIsNotNull)
{
    std::string path = tempPath("data.bin");
    {
        std::ofstream out(path, std::ios::binary);
        out.write("ab\0cd", 5);
    }
    int size = -1;
    char* block = UtFile::loadFile(path.c_str(), &size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(std::string(block, 5), std::string("ab\0cd", 5));
    UtFile::releaseLoadBuffer(block);

    std::string emptyPath = tempPath("empty.bin");
    { std::ofstream out(emptyPath, std::ios::binary); }
    block = UtFile::loadFile(LDString(emptyPath.c_str()), &size);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(size, 0);
    UtFile::releaseLoadBuffer(block);
    std::remove(path.c_str());
    std::remove(emptyPath.c_str());
}

TEST_F(FileTest, UnreadableOrUnmeasurableFilesGiveNull)
{
    int size = 7;
    EXPECT_EQ(UtFile::loadFile("/nonexistent/tavrix/file.moc", &size), nullptr);
    EXPECT_EQ(size, 0);
    // A directory opens but cannot be measured or read.
    EXPECT_EQ(UtFile::loadFile(::testing::TempDir().c_str(), &size), nullptr);
}

} // namespace
