// Runtime start-up and release, diagnostics, clock and file reading.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "Tavrix.h"
#include "memory/UtMemory.h"
#include "type/LDString.h"
#include "support/RuntimeFixture.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"
#include "util/UtSystem.h"

using namespace tavrix;
using tavrix_test::captureMessages;
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

// One call of each kind, and what standard output shows for it when the
// error reports so far number before.
void sayOneOfEach()
{
    UtDebug::error("failed %d", 1);
    UtDebug::assertF("file.cpp", 42, "checked %s", "x");
    UtDebug::println("n=%d", 3);
    UtDebug::print("x");
    const char bytes[] = {1, static_cast<char>(0xAB)};
    UtDebug::dumpByte(bytes, 2);
    UtDebug::printVectorUShort("values", nullptr, ",");
}

std::string oneOfEach(int before)
{
    return errorReport(before + 1, "failed 1") + errorReport(before + 2, "checked x\n      @ file.cpp : 42") +
           "n=3\nx01 AB \nvalues\n";
}

struct Collected {
    std::string text;
    std::vector<UtDebug::MessageKind> kinds;
};

void collect(void* context, UtDebug::MessageKind kind, const char* text, int length)
{
    Collected* collected = static_cast<Collected*>(context);
    collected->text.append(text, static_cast<size_t>(length));
    collected->kinds.push_back(kind);
}

TEST(Diagnostics, EachSinkGetsExactlyTheTextStandardOutputWouldShow)
{
    Collected collected;
    const struct {
        const char* what;
        UtDebug::Sink sink;
        bool toStdout;
        bool toStderr;
        bool collects;
    } cases[] = {
        {"collecting", collect, false, false, true},
        {"discarding", UtDebug::discardingSink, false, false, false},
        {"standard error", UtDebug::standardErrorSink, false, true, false},
        {"null: the default again", nullptr, true, false, false},
        {"standard output", UtDebug::standardOutputSink, true, false, false},
    };
    int reports = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        collected = Collected();
        UtDebug::setSink(c.sink, &collected);
        ::testing::internal::CaptureStderr();
        const std::string out = captureStdout(sayOneOfEach);
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string expected = oneOfEach(reports);
        reports += 2;
        EXPECT_EQ(out, c.toStdout ? expected : "");
        EXPECT_EQ(err, c.toStderr ? expected : "");
        EXPECT_EQ(collected.text, c.collects ? expected : "");
        if (c.collects) {
            using K = UtDebug::MessageKind;
            EXPECT_EQ(collected.kinds, (std::vector<K>{UtDebug::MESSAGE_ERROR, UtDebug::MESSAGE_ERROR,
                                                       UtDebug::MESSAGE_TEXT, UtDebug::MESSAGE_TEXT,
                                                       UtDebug::MESSAGE_TEXT, UtDebug::MESSAGE_TEXT}))
                << "one call per piece of text, reports marked";
        }
        EXPECT_STREQ(Tavrix::getErrorMessage(), "checked x") << "kept whatever the sink";
    }
    UtDebug::setSink(nullptr, nullptr);
}

TEST(Diagnostics, TheLastErrorMessageIsOneLineWithoutItsSourceTag)
{
    std::string wide;
    for (int i = 0; i < 600; ++i) wide += "\xC3\xA9";
    const struct {
        std::function<void()> report;
        std::string expected;
    } cases[] = {
        {[] { UtDebug::error("Load Model EOF Check Error @ATavrixModel#loadModel_exe() \n"); },
         "Load Model EOF Check Error"},
        {[] { UtDebug::error("Illegal data version ( available : %d < loaded :: %d )@ATavrixModel#loadModel_exe()\n",
                             10, 11); },
         "Illegal data version ( available : 10 < loaded :: 11 )"},
        {[] { UtDebug::error("Warning: too old @ATavrixModel#loadModel_exe().\n"); }, "Warning: too old"},
        {[] { UtDebug::error("two\nlines\r\n @Hair#setup()"); }, "two lines"},
        {[] { UtDebug::error("no tag: a@b, x @y.moc, f @A#b() and more"); }, "no tag: a@b, x @y.moc, f @A#b() and more"},
        {[] { UtDebug::assertF("file.cpp", 7, "checked %d @Some#where()", 5); }, "checked 5"},
        {[] { UtDebug::error("first"); UtDebug::print("then text"); UtDebug::println("and a line"); }, "first"},
        {[] { UtDebug::error("x"); UtDebug::clearLastErrorMessage(); }, ""},
        // Cut to 1023 bytes, not inside a character.
        {[&] { UtDebug::error("%s", wide.c_str()); }, wide.substr(0, 1022)},
    };
    for (const auto& c : cases) {
        captureMessages(c.report);
        EXPECT_EQ(Tavrix::getErrorMessage(), c.expected);
    }
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
