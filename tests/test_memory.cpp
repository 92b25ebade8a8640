// Memory holders: pooled bins, page creation and release, arena best fit,
// holder selection, and failure when no page can be obtained.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MHPageHeaderFixed.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "memory/tmp/MHPageHeaderTmp.h"
#include "memory/tmp/MemoryHolderTmp.h"
#include "support/RuntimeFixture.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using tavrix_test::CountingAllocator;

namespace {

class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override { Tavrix::init(&pages); }
    void TearDown() override { Tavrix::dispose(); }

    static int countPages(MHPageHeaderTmp* list)
    {
        int n = 0;
        for (; list; list = list->nextPage) ++n;
        return n;
    }
    static int countPages(MHPageHeaderFixed* list)
    {
        int n = 0;
        for (; list; list = list->nextPage) ++n;
        return n;
    }
    static MHPageHeaderTmp* pageOf(void* block)
    {
        return static_cast<MHPageHeaderTmp*>(AllocHeader::load(block));
    }

    CountingAllocator pages;
};

TEST_F(MemoryTest, RequestSizePicksBinByChunkIncludingHeader)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    void* a = holder.malloc_exe(24, 4);
    void* b = holder.malloc_exe(25, 4);
    void* c = holder.malloc_exe(505, 4);
    EXPECT_EQ(pageOf(a)->binNo, 0);
    EXPECT_EQ(pageOf(a)->chunkSize, 32u);
    EXPECT_EQ(pageOf(b)->binNo, 1);
    EXPECT_EQ(pageOf(b)->chunkSize, 64u);
    EXPECT_EQ(pageOf(c)->binNo, 5);
    EXPECT_EQ(pageOf(c)->chunkSize, 513u);
    EXPECT_EQ(pageOf(c)->pageSize, 505u + 8 + 96);
    for (void* p : {a, b, c}) EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 32, 0u);

    // Chunk counts per page follow (page size - 96) / chunk size.
    const int expected[5] = {64, 32, 16, 16, 8};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(holder.getBin(i).chunkCount, expected[i]) << "bin " << i;
    EXPECT_EQ(holder.getBin(0).fullMasks[1], 0xFFFFFFFFu);
    EXPECT_EQ(holder.getBin(2).fullMasks[0], 0xFFFF0000u);
    EXPECT_EQ(holder.getBin(5).fullMasks[0], 0x80000000u);
    holder.free_exe(pageOf(a), a);
    holder.free_exe(pageOf(b), b);
    holder.free_exe(pageOf(c), c);
}

TEST_F(MemoryTest, FullPageMovesToFullListAndNextRequestCreatesPage)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    std::vector<void*> blocks;
    for (int i = 0; i < 64; ++i) blocks.push_back(holder.malloc_exe(16, 4));
    EXPECT_EQ(countPages(holder.getBin(0).availablePages), 0);
    EXPECT_EQ(countPages(holder.getBin(0).fullPages), 1);
    // Chunks are handed out in index order, each 32 bytes apart.
    EXPECT_EQ(static_cast<char*>(blocks[1]) - static_cast<char*>(blocks[0]), 32);
    EXPECT_EQ(pageOf(blocks[63])->flags[1], 0xFFFFFFFFu);

    void* extra = holder.malloc_exe(16, 4);
    EXPECT_NE(pageOf(extra), pageOf(blocks[0]));
    EXPECT_EQ(countPages(holder.getBin(0).availablePages), 1);

    // Freeing one chunk of the full page brings it back to the head of the available list.
    holder.free_exe(pageOf(blocks[5]), blocks[5]);
    EXPECT_EQ(holder.getBin(0).availablePages, pageOf(blocks[0]));
    void* reused = holder.malloc_exe(16, 4);
    EXPECT_EQ(reused, blocks[5]);
}

TEST_F(MemoryTest, EmptiedPageIsKeptUnlessOtherPagesHaveHalfAPageSpare)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    int before = pages.livePages;
    void* only = holder.malloc_exe(100, 4); // bin 2, 16 chunks
    holder.free_exe(pageOf(only), only);
    EXPECT_EQ(pages.livePages, before + 1) << "the only page of a bin stays";
    EXPECT_EQ(countPages(holder.getBin(2).availablePages), 1);

    // Fill the kept page, then open a second page and leave it half free.
    std::vector<void*> first;
    for (int i = 0; i < 16; ++i) first.push_back(holder.malloc_exe(100, 4));
    std::vector<void*> second;
    for (int i = 0; i < 8; ++i) second.push_back(holder.malloc_exe(100, 4));
    ASSERT_NE(pageOf(first[0]), pageOf(second[0]));
    EXPECT_EQ(pages.livePages, before + 2);

    for (void* p : first) holder.free_exe(pageOf(p), p);
    EXPECT_EQ(pages.livePages, before + 1) << "8 spare chunks on the other page are half a page";
    for (void* p : second) holder.free_exe(pageOf(p), p);
    EXPECT_EQ(pages.livePages, before + 1);
}

TEST_F(MemoryTest, LargeBlockPageIsReturnedOnFree)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    int before = pages.livePages;
    void* big = holder.malloc_exe(10000, 4);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(pages.livePages, before + 1);
    holder.free_exe(pageOf(big), big);
    EXPECT_EQ(pages.livePages, before);
}

TEST_F(MemoryTest, DumpPagesFormat)
{
    MemoryHolderTmp holder(LDAllocator::MAIN, "test");
    void* a = holder.malloc_exe(10, 4);
    void* b = holder.malloc_exe(10, 4);
    void* big = holder.malloc_exe(600, 4);
    std::string out = captureStdout([&] { holder.dumpPages(); });
    EXPECT_EQ(out,
              "----- pages -----\n"
              "bin[ 32] : [ 2/64 C0000000] \n"
              "bin[ 64] : \n"
              "bin[128] : \n"
              "bin[256] : \n"
              "bin[512] : \n"
              "bin[  0] :  << FULL >> [ 1/ 1      608] \n"
              "\n----------------\n");
    holder.free_exe(pageOf(a), a);
    holder.free_exe(pageOf(b), b);
    holder.free_exe(pageOf(big), big);
}

static MHPageHeaderFixed* arenaPageOf(void* block)
{
    return static_cast<MHPageHeaderFixed*>(AllocHeader::load(block));
}

TEST_F(MemoryTest, ArenaPicksTheFittingPageWithLeastRoom)
{
    MemoryHolderFixed arena(LDAllocator::MAIN, "arena", 1024);
    MHPageHeaderFixed* pageA = arenaPageOf(arena.malloc_exe(600, 4));
    EXPECT_EQ(pageA->rest, 1024u - 56 - 8 - 600);
    MHPageHeaderFixed* pageB = arenaPageOf(arena.malloc_exe(600, 4)); // no room left in A
    ASSERT_NE(pageA, pageB);
    EXPECT_EQ(arena.getPagesWithRoom(), pageB);

    // Both pages fit; the walk goes on to the last one that fits.
    EXPECT_EQ(arenaPageOf(arena.malloc_exe(96, 4)), pageA);
    EXPECT_EQ(arena.getPagesWithRoom(), pageB) << "list stays in descending order of rest";
    EXPECT_EQ(arenaPageOf(arena.malloc_exe(200, 4)), pageA);
    EXPECT_EQ(pageA->rest, 360u - 104 - 208);
    EXPECT_EQ(arenaPageOf(arena.malloc_exe(100, 4)), pageB) << "A no longer fits";
    EXPECT_EQ(countPages(arena.getPagesWithRoom()), 2);
}

TEST_F(MemoryTest, ArenaBlocksAreAlignedAndFilledPagesLeaveTheSearch)
{
    MemoryHolderFixed arena(LDAllocator::MAIN, "arena", 256);
    void* a = arena.malloc_exe(3, 16);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
    // 256 - 56 leaves 200 bytes; take nearly all so the rest drops below 32.
    void* b = arena.malloc_exe(170, 4);
    EXPECT_EQ(AllocHeader::load(b),
              AllocHeader::load(a));
    EXPECT_EQ(countPages(arena.getFilledPages()), 1);
    EXPECT_EQ(countPages(arena.getPagesWithRoom()), 0);
    void* c = arena.malloc_exe(4, 4);
    EXPECT_NE(AllocHeader::load(c),
              AllocHeader::load(a));

    // A request larger than the default page gets a page of its own size.
    void* huge = arena.malloc_exe(5000, 8);
    ASSERT_NE(huge, nullptr);
    MHPageHeaderFixed* hugePage = static_cast<MHPageHeaderFixed*>(AllocHeader::load(huge));
    EXPECT_EQ(hugePage->pageSize, 8u + 64 + 8 + 5000);
    MemoryHolderFixed other(LDAllocator::MAIN, "other", 256);
    other.malloc_exe(3, 4);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(other.malloc_exe(3, 4)) % sizeof(void*), 0u) << "pointer-aligned at least";
    int live = pages.livePages;
    arena.clear();
    EXPECT_EQ(pages.livePages, live - 3);
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
    EXPECT_NE(out.find("memoryHolderGPU is NULL , but selected :: 1 @MemoryParam#getMemoryHolder()"), std::string::npos);
    EXPECT_EQ(param.getCurMemoryHolder(), &mainHolder);
    EXPECT_NE(param.malloc_exe(10), nullptr);
    EXPECT_EQ(param.setAllocType(previous), LDAllocator::GPU);

    out = captureStdout([&] { param.getMemoryHolder(static_cast<LDAllocator::Type>(7)); });
    EXPECT_NE(out.find("alloc type not implmented :: 7 @MemoryParam#getMemoryHolder()"), std::string::npos);

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

} // namespace
