// Binary motions: layout in either byte order, quantised values, buffer
// kinds, refusal of damaged data, playback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "motion/MotionBin.h"
#include "motion/MotionQueueManager.h"
#include "motion/TavrixMotionBin.h"
#include "support/AnimationFixture.h"
#include "support/MtnbWriter.h"
#include "type/LDString.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using tavrix_test::BinCurve;
using tavrix_test::MtnbWriter;
using namespace tavrix_test::mtnb_layout;

const std::vector<BinCurve> CURVES = {
    {"PARAM_A", {0.0f, 0.25f, 0.5f}, {}, 0, 0},
    {"PARAM_B", {}, {0, 65535, 32768}, -10.0f, 10.0f},
};

// A 4-aligned, writable copy of bytes (plus room for an offset).
struct Buffer {
    explicit Buffer(const std::vector<uint8_t>& bytes, size_t offset = 0)
        : words((bytes.size() + offset + 3) / 4 + 1), size(static_cast<int>(bytes.size()))
    {
        at = reinterpret_cast<uint8_t*>(words.data()) + offset;
        if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
    }
    char* chars() { return reinterpret_cast<char*>(at); }
    std::vector<uint8_t> contents() const { return std::vector<uint8_t>(at, at + size); }

    std::vector<uint32_t> words;
    int size;
    uint8_t* at = nullptr;
};

class MotionBinTest : public tavrix_test::AnimationTest {
protected:
    // Loads a caller-kept buffer (kind 0) and captures the messages.
    TavrixMotionBin* load(Buffer& buffer, std::string* out = nullptr, int bufType = 0)
    {
        TavrixMotionBin* motion = nullptr;
        std::string printed =
            captureStdout([&] { motion = TavrixMotionBin::loadMotion(buffer.chars(), buffer.size, bufType); });
        if (out) *out = printed;
        return motion;
    }

    static void expectCurves(TavrixMotionBin* motion)
    {
        ASSERT_NE(motion, nullptr);
        EXPECT_EQ(motion->getFPS(), 30.0f);
        EXPECT_EQ(motion->getMaxLength(), 3);
        EXPECT_EQ(motion->getLoopDurationMSec(), 100);
        ASSERT_EQ(motion->getMotionCount(), 2);
        MotionBin* a = motion->getMotion(0);
        EXPECT_STREQ(a->getParamIDStr()->c_str(), "PARAM_A");
        EXPECT_EQ(a->getValue(1), 0.25f);
        EXPECT_EQ(a->getValue(2), 0.5f);
        MotionBin* b = motion->getMotion(1);
        EXPECT_TRUE(b->isShortValues());
        EXPECT_EQ(b->getValue(0), -10.0f);
        EXPECT_EQ(b->getValue(1), 10.0f);
        EXPECT_NEAR(b->getValue(2), 0.0f, 1e-3f);
    }
};

// A buffer the caller keeps is swapped to host order in place, once; a
// copied one is left as it was; an unaligned one is read all the same.
TEST_F(MotionBinTest, EitherByteOrderAndAnyAlignmentReadTheSame)
{
    const std::vector<uint8_t> little = MtnbWriter(false).build(CURVES, 30, 300, -1);
    const std::vector<uint8_t> big = MtnbWriter(true).build(CURVES, 30, 300, -1);
    const struct {
        const char* what;
        const std::vector<uint8_t>& file;
        size_t offset;
        int bufType;
        const char* message;
        const std::vector<uint8_t>& after;
    } cases[] = {
        {"little-endian", little, 0, 0, "", little},
        {"big-endian, kept", big, 0, 0, "", little},
        {"big-endian, copied", big, 0, TavrixMotionBin::BUF_COPY, "", big},
        {"unaligned", little, 1, 0, "load motion data ptr must be 4byte alligned.", little},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Buffer buffer(c.file, c.offset);
        std::string out;
        for (int round = 0; round < 2; ++round) { // read again from what the first load left
            TavrixMotionBin* motion = load(buffer, &out, c.bufType);
            expectCurves(motion);
            EXPECT_EQ(motion->getFadeIn(), 300);
            EXPECT_EQ(motion->getFadeOut(), 1000); // negative: left as it was
            delete motion;
        }
        if (*c.message) {
            EXPECT_THAT(out, HasSubstr(c.message));
        } else {
            EXPECT_EQ(out, "");
        }
        EXPECT_EQ(buffer.contents(), c.after);
    }
}

TEST_F(MotionBinTest, DamagedDataIsRefusedBeforeAnyWrite)
{
    struct Case {
        const char* name;
        size_t at;
        uint32_t value;
        int width;
        const char* message;
    } cases[] = {
        {"signature", 2, 'l', 1, "invalid signature of file (.mtnb must have mtb or mtl)"},
        {"version", VERSION_AT, 2, 2, "invalid version 2"},
        {"zero fps", FPS_AT, 0, 2, "frames per second must be above 0 (0)"},
        {"negative fps", FPS_AT, 0xFFE2, 2, "frames per second must be above 0 (-30)"},
        {"negative frames", MAX_LENGTH_AT, 0xFFFFFFFF, 4, "negative frame count -1"},
        {"negative curve count", COUNT_AT, 0x8000, 2, "negative curve count -32768"},
        {"too many curves", COUNT_AT, 40, 2, "40 curve records run past the end of the data"},
        {"name outside", NAME_OFFSET_AT, 100000, 4, "curve 0: name offset 100000 lies outside the data"},
        {"negative name", NAME_OFFSET_AT, 0xFFFFFFF0, 4, "curve 0: name offset -16 lies outside the data"},
        {"values outside", VALUES_OFFSET_AT, 0x7FFFFFF0, 4, "curve 0: 3 values at offset 2147483632 lie outside"},
        {"negative count", VALUE_COUNT_AT, 0x8000, 2, "curve 0: negative value count -32768"},
        {"huge count", VALUE_COUNT_AT, 30000, 2, "curve 0: 30000 values at offset"},
        {"name block", RECORD_AT + 40, 0x7FFFFFFF, 4, "block 0: size 2147483647 does not fit the data"},
        {"short block", RECORD_AT + 40, 2, 4, "block 0: size 2 does not fit the data"},
    };
    for (bool big : {false, true}) {
        MtnbWriter writer(big);
        std::vector<uint8_t> good = writer.build(CURVES);
        for (const Case& c : cases) {
            std::vector<uint8_t> bad = good;
            writer.patch(bad, c.at, c.value, c.width);
            Buffer buffer(bad);
            std::string out;
            EXPECT_EQ(load(buffer, &out), nullptr) << c.name;
            EXPECT_THAT(out, HasSubstr(c.message)) << c.name;
            EXPECT_EQ(buffer.contents(), bad) << c.name;
        }
        // Cut short anywhere: refused, never read past the end.
        for (size_t size : {size_t(0), size_t(3), size_t(20), size_t(36), good.size() - 1}) {
            std::vector<uint8_t> cut(good.begin(), good.begin() + size);
            Buffer buffer(cut);
            EXPECT_EQ(load(buffer), nullptr) << size;
        }
    }
    // An unterminated last name: the name block is the data's end.
    MtnbWriter writer(false);
    std::vector<BinCurve> onlyName = {{"PARAM_A", {}, {}, 0, 0}};
    std::vector<uint8_t> bytes = writer.build(onlyName);
    bytes.resize(bytes.size() - 8); // drop the two empty value blocks
    bytes.back() = 'X';             // and the name's terminator
    Buffer buffer(bytes);
    std::string out;
    EXPECT_EQ(load(buffer, &out), nullptr);
    EXPECT_THAT(out, HasSubstr("curve 0: name at 60 is not terminated"));
}

TEST_F(MotionBinTest, InconsistentButSafeDataLoadsWithMessages)
{
    std::vector<uint8_t> bytes = MtnbWriter(false).build(CURVES);
    bytes.push_back(0); // a trailing byte
    Buffer trailing(bytes);
    std::string out;
    TavrixMotionBin* motion = load(trailing, &out);
    expectCurves(motion);
    EXPECT_THAT(out, Not(HasSubstr("pointer position is wrong ")));
    EXPECT_THAT(out, HasSubstr("fileSize is wrong "));
    delete motion;

    bytes.pop_back();
    MtnbWriter(false).patch(bytes, FILE_SIZE_AT, 12, 4);
    Buffer wrongSize(bytes);
    motion = load(wrongSize, &out);
    expectCurves(motion);
    EXPECT_THAT(out, HasSubstr("pointer position is wrong "));
    EXPECT_THAT(out, HasSubstr("fileSize is wrong "));
    delete motion;
}

TEST_F(MotionBinTest, BufferKindsAreReleasedByTheirKind)
{
    std::vector<uint8_t> file = MtnbWriter(true).build(CURVES);
    char* heap = static_cast<char*>(std::malloc(file.size()));
    std::memcpy(heap, file.data(), file.size());
    TavrixMotionBin* freed = nullptr;
    captureStdout([&] { freed = TavrixMotionBin::loadMotion(heap, static_cast<int>(file.size()), TavrixMotionBin::BUF_FREE); });
    expectCurves(freed);
    delete freed;

    // A refused buffer handed over is released too.
    char* array = new char[file.size()];
    std::memcpy(array, file.data(), file.size());
    array[0] = 'x';
    captureStdout([&] {
        EXPECT_EQ(TavrixMotionBin::loadMotion(array, static_cast<int>(file.size()), TavrixMotionBin::BUF_DELETE_ARRAY),
                  nullptr);
    });

    std::string path = ::testing::TempDir() + "tavrix_motionbin_" + std::to_string(getpid()) + ".mtnb";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    TavrixMotionBin* fromFile = nullptr;
    captureStdout([&] { fromFile = TavrixMotionBin::loadMotion(LDString(path.c_str())); });
    expectCurves(fromFile);
    delete fromFile;
    std::remove(path.c_str());
    EXPECT_EQ(TavrixMotionBin::loadMotion(LDString("/nonexistent.mtnb")), nullptr);
}

TEST_F(MotionBinTest, PlaysThroughTheQueue)
{
    Buffer buffer(MtnbWriter(false).build(CURVES));
    TavrixMotionBin* motion = load(buffer);
    std::unique_ptr<MotionQueueManager> queue(new MotionQueueManager());
    int no = queue->startMotion(motion, true);
    setTime(0);
    queue->updateParam(model.get());
    EXPECT_EQ(param("PARAM_A"), 0.0f);
    EXPECT_EQ(param("PARAM_B"), -10.0f);
    setTime(50); // frame 1.5
    queue->updateParam(model.get());
    EXPECT_FLOAT_EQ(param("PARAM_A"), 0.375f);
    EXPECT_EQ(param("PARAM_B"), 10.0f); // 20 apart: a jump, held
    setTime(101);
    queue->updateParam(model.get());
    EXPECT_TRUE(queue->isFinished(no));
    EXPECT_EQ(param("PARAM_A"), 0.5f);
}

} // namespace
