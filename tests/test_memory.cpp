// Memory holders as their callers use them: blocks that keep their bytes and
// their alignment, pages given back to the allocator, null when no page can
// be obtained, the allocator's hooks, and GPU requests without a GPU holder.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MHPageHeaderFixed.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "memory/tmp/MemoryHolderTmp.h"
#include "support/RuntimeFixture.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using tavrix_test::CountingAllocator;
using ::testing::HasSubstr;

namespace {

class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override { Tavrix::init(&pages); }
    void TearDown() override { Tavrix::dispose(); }

    CountingAllocator pages;
};

TEST_F(MemoryTest, LargeBlockPageIsReturnedOnFree)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    int before = pages.livePages;
    void* big = holder.malloc_exe(10000, 4);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(pages.livePages, before + 1);
    holder.free_exe(AllocHeader::load(big), big);
    EXPECT_EQ(pages.livePages, before);
}

TEST_F(MemoryTest, ArenaBlocksAreAlignedAndClearReturnsEveryPage)
{
    MemoryHolderFixed arena(LDAllocator::MAIN, "arena", 256);
    const int before = pages.livePages;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(arena.malloc_exe(3, 16)) % 16, 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(arena.malloc_exe(3, 4)) % sizeof(void*), 0u) << "pointer-aligned at least";
    ASSERT_NE(arena.malloc_exe(170, 4), nullptr);
    // A request larger than the default page gets a page of its own size.
    void* huge = arena.malloc_exe(5000, 8);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(huge) % 8, 0u);
    std::memset(huge, 7, 5000);
    EXPECT_GE(pages.livePages, before + 2);
    arena.clear();
    EXPECT_EQ(pages.livePages, before);
}

TEST_F(MemoryTest, ArenaHealthCheckReportsDamagedPage)
{
    MemoryHolderFixed arena(LDAllocator::MAIN, "arena", 512);
    arena.malloc_exe(16, 4);
    EXPECT_EQ(captureStdout([&] { arena.healthCheck(); }), "");
    arena.getPagesWithRoom()->pageSize = 1;
    EXPECT_EQ(captureStdout([&] { arena.healthCheck(); }), "PageHeader is corrupted!\n");
}

TEST(MemoryAlign, AlignPtrExample)
{
    EXPECT_EQ(UtMemory::alignPtr(reinterpret_cast<void*>(0x1001), 32, 8), reinterpret_cast<void*>(0x1018));
    EXPECT_EQ(UtMemory::alignPtr(reinterpret_cast<void*>(0x1018), 32, 8), reinterpret_cast<void*>(0x1018));
}

TEST_F(MemoryTest, GpuRequestWithoutGpuHolderFallsBackToMain)
{
    MemoryHolderFixed mainHolder(LDAllocator::MAIN, "main", 1024);
    MemoryParam param(&mainHolder, nullptr);
    LDAllocator::Type previous = LDAllocator::MAIN;
    std::string out = captureStdout([&] { previous = param.setAllocType(LDAllocator::GPU); });
    EXPECT_EQ(previous, LDAllocator::MAIN);
    EXPECT_THAT(out, HasSubstr("memoryHolderGPU is NULL , but selected :: 1 @MemoryParam#getMemoryHolder()"));
    EXPECT_EQ(param.getCurMemoryHolder(), &mainHolder);
    EXPECT_NE(param.malloc_exe(10), nullptr);
    EXPECT_EQ(param.setAllocType(previous), LDAllocator::GPU);

    out = captureStdout([&] { param.getMemoryHolder(static_cast<LDAllocator::Type>(7)); });
    EXPECT_THAT(out, HasSubstr("alloc type not implmented :: 7 @MemoryParam#getMemoryHolder()"));

    MemoryHolderFixed gpuHolder(LDAllocator::GPU, "gpu", 1024);
    MemoryParam both(&mainHolder, &gpuHolder);
    both.setAllocType(LDAllocator::GPU);
    EXPECT_EQ(both.getCurMemoryHolder(), &gpuHolder);
}

TEST_F(MemoryTest, RefusedPagesYieldNullInsteadOfCrashing)
{
    MemoryHolderTmp pooled(LDAllocator::MAIN, "pooled");
    MemoryHolderFixed arena(LDAllocator::MAIN, "arena", 1024);
    pages.refuse = true;
    EXPECT_EQ(pooled.malloc_exe(16, 4), nullptr);
    EXPECT_EQ(pooled.malloc_exe(100000, 4), nullptr);
    EXPECT_EQ(arena.malloc_exe(16, 4), nullptr);
    EXPECT_EQ(arena.malloc_exe(SIZE_MAX - 4, 4), nullptr);
    pages.refuse = false;
    EXPECT_NE(arena.malloc_exe(16, 4), nullptr);
}

TEST(MemoryLifecycle, EveryPageIsReturnedAtReleaseAndAllocatorHooksRun)
{
    CountingAllocator pages;
    Tavrix::init(&pages);
    EXPECT_EQ(pages.initCalls, 1);
    EXPECT_GT(pages.livePages, 0);
    void* block = UtMemory::malloc_exe(nullptr, 100);
    void* staticBlock = UtMemory::malloc_exe(UtMemory::getStaticMemoryParam(), 5000);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(staticBlock, nullptr);
    UtMemory::free_exe(block);
    UtMemory::free_exe(nullptr);
    Tavrix::dispose();
    EXPECT_EQ(pages.livePages, 0);
    EXPECT_EQ(pages.disposeCalls, 1);
    EXPECT_EQ(UtMemory::malloc_exe(nullptr, 16), nullptr) << "no memory after release";
}

// Hands out pages that start a chosen number of bytes past a 32-byte
// boundary, so that every placement of a holder's bookkeeping inside a page
// is used, and checks at each release that nothing was written just outside
// the page.
class OffsetAllocator : public LDAllocator {
public:
    static constexpr size_t GUARD = 32;
    static constexpr unsigned char CANARY = 0xA5;

    explicit OffsetAllocator(size_t offset) : offset(offset) {}
    void* pageAlloc(size_t size, Type) override
    {
        const size_t total = (GUARD + offset + size + GUARD + 31) / 32 * 32;
        char* raw = static_cast<char*>(std::aligned_alloc(32, total));
        if (!raw) return nullptr;
        std::memset(raw, CANARY, total);
        char* page = raw + GUARD + offset;
        starts[page] = {raw, total, size};
        return page;
    }
    void pageFree(void* ptr, Type) override
    {
        auto found = starts.find(static_cast<char*>(ptr));
        ASSERT_NE(found, starts.end());
        const Block& b = found->second;
        char* page = found->first;
        for (char* p = b.raw; p < page; ++p) EXPECT_EQ(static_cast<unsigned char>(*p), CANARY) << "before the page";
        for (char* p = page + b.size; p < b.raw + b.total; ++p) {
            EXPECT_EQ(static_cast<unsigned char>(*p), CANARY) << "after the page";
        }
        std::free(b.raw);
        starts.erase(found);
    }

    struct Block {
        char* raw;
        size_t total;
        size_t size;
    };
    size_t offset;
    std::map<char*, Block> starts;
};

struct Live {
    unsigned char* block;
    size_t size;
    unsigned char tag;
};

void expectIntact(const Live& item, const char* holder, size_t offset)
{
    for (size_t i = 0; i < item.size; ++i) ASSERT_EQ(item.block[i], item.tag) << holder << ", page offset " << offset;
}

TEST(MemoryScale, RandomTrafficKeepsEveryBlocksBytesAlignmentAndThePagesBoundaries)
{
    // Pages are pointer-aligned (objects are built in them); a page 32-byte
    // aligned at offset 0 leaves no gap in front of the pooled holder's header.
    for (size_t offset : {0, 8, 16, 24}) {
        OffsetAllocator pages(offset);
        Tavrix::init(&pages);
        {
            // The pooled holder: blocks of every size class, freed in random
            // order; its blocks are 32-byte aligned whatever was asked.
            MemoryHolderTmp holder(LDAllocator::MAIN, "scale");
            const size_t pagesBefore = pages.starts.size();
            std::vector<Live> live;
            std::mt19937 random(static_cast<unsigned>(offset));
            const size_t sizes[] = {8, 24, 40, 100, 200, 400, 600};
            auto freeOne = [&](size_t k) {
                Live item = live[k];
                live[k] = live.back();
                live.pop_back();
                expectIntact(item, "pooled", offset);
                holder.free_exe(AllocHeader::load(item.block), item.block);
            };
            for (int step = 0; step < 6000; ++step) {
                // Mostly allocations in the first half, mostly frees after.
                if (live.empty() || static_cast<int>(random() % 6000) > step) {
                    const size_t size = sizes[random() % 7];
                    auto* block = static_cast<unsigned char*>(holder.malloc_exe(size, 4));
                    ASSERT_NE(block, nullptr);
                    ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 32, 0u);
                    const auto tag = static_cast<unsigned char>(random());
                    std::memset(block, tag, size);
                    live.push_back({block, size, tag});
                } else {
                    freeOne(random() % live.size());
                }
            }
            while (!live.empty()) freeOne(live.size() - 1);
            // Emptied pages go back, but for at most one kept per size class.
            EXPECT_LE(pages.starts.size() - pagesBefore, static_cast<size_t>(MemoryHolderTmp::LARGE_BIN));

            // The arena: every size and alignment, some larger than a page.
            for (size_t pageSize : {256, 1024, 8192}) {
                MemoryHolderFixed arena(LDAllocator::MAIN, "walk", pageSize);
                const size_t small[] = {1, 4, 8, 12, 20, 24, 40};
                for (int step = 0; step < 4000; ++step) {
                    size_t size = small[random() % 7];
                    if (random() % 4 == 0) size = pageSize / 8 + random() % (pageSize / 2);
                    if (random() % 50 == 0) size = pageSize + random() % 100;
                    const int align = 4 << (random() % 4);
                    auto* block = static_cast<unsigned char*>(arena.malloc_exe(size, align));
                    ASSERT_NE(block, nullptr);
                    const int atLeast = static_cast<int>(MemoryHolderFixed::MIN_ALIGN);
                    ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % std::max(align, atLeast), 0u);
                    const auto tag = static_cast<unsigned char>(random());
                    std::memset(block, tag, size);
                    live.push_back({block, size, tag});
                }
                for (const Live& item : live) expectIntact(item, "arena", offset);
                live.clear();
            }
        }
        Tavrix::dispose();
        EXPECT_TRUE(pages.starts.empty()) << "offset " << offset;
    }
}

} // namespace
