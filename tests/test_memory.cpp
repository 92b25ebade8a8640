// Memory holders: pooled bins, page creation and release, arena best fit,
// holder selection, and failure when no page can be obtained.
#include <gtest/gtest.h>

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

// Hands out pages that start a chosen number of bytes past a 32-byte
// boundary, so that every place a pooled page may keep its back link is used,
// and checks at each release that nothing was written just outside the page.
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

bool listHolds(MHPageHeaderTmp* list, MHPageHeaderTmp* page)
{
    for (; list; list = list->nextPage) {
        if (list == page) return true;
    }
    return false;
}

TEST(MemoryPooledScale, FreesFollowTheKeepRuleWhateverThePageAlignment)
{
    // Random traffic in every bin; each free is checked against the rule it
    // must follow, evaluated on the lists before the free, and every live
    // block keeps its bytes (the pages' back links never land in a chunk).
    // Pages are pointer-aligned (objects are built in them); a header 32-byte
    // aligned at offset 0 leaves no gap in front and keeps the link at the end.
    for (size_t offset : {0, 8, 16, 24}) {
        OffsetAllocator pages(offset);
        Tavrix::init(&pages);
        {
            MemoryHolderTmp holder(LDAllocator::MAIN, "scale");
            struct Live {
                unsigned char* block;
                size_t size;
                unsigned char tag;
            };
            std::vector<Live> live;
            std::mt19937 random(static_cast<unsigned>(offset));
            const size_t sizes[] = {8, 24, 40, 100, 200, 400, 600};
            auto freeOne = [&](size_t k) {
                Live item = live[k];
                live[k] = live.back();
                live.pop_back();
                for (size_t i = 0; i < item.size; ++i) ASSERT_EQ(item.block[i], item.tag) << "offset " << offset;
                MHPageHeaderTmp* page = static_cast<MHPageHeaderTmp*>(AllocHeader::load(item.block));
                const MHBin& bin = holder.getBin(page->binNo);
                const bool wasFull = page->emptyCount == 0;
                int spare = 0;
                for (MHPageHeaderTmp* p = bin.availablePages; p; p = p->nextPage) {
                    if (p != page) spare += p->emptyCount;
                }
                const bool released = page->emptyCount + 1 == page->chunkCount &&
                                      (page->binNo == MemoryHolderTmp::LARGE_BIN || spare >= page->chunkCount / 2);
                holder.free_exe(page, item.block);
                if (released) {
                    ASSERT_FALSE(listHolds(bin.availablePages, page) || listHolds(bin.fullPages, page));
                } else {
                    ASSERT_TRUE(listHolds(bin.availablePages, page)) << "offset " << offset;
                    if (wasFull) {
                        ASSERT_EQ(bin.availablePages, page) << "a page with room again goes first";
                    }
                }
            };
            for (int step = 0; step < 6000; ++step) {
                // Mostly allocations in the first half, mostly frees after.
                const bool allocate = live.empty() || static_cast<int>(random() % 6000) > step;
                if (allocate) {
                    const size_t size = sizes[random() % 7];
                    auto* block = static_cast<unsigned char*>(holder.malloc_exe(size, 4));
                    ASSERT_NE(block, nullptr);
                    const auto tag = static_cast<unsigned char>(random());
                    std::memset(block, tag, size);
                    live.push_back({block, size, tag});
                } else {
                    freeOne(random() % live.size());
                }
            }
            while (!live.empty()) freeOne(live.size() - 1);
            for (int b = 0; b < MemoryHolderTmp::BIN_COUNT; ++b) {
                for (MHPageHeaderTmp* p = holder.getBin(b).availablePages; p; p = p->nextPage) {
                    EXPECT_EQ(p->emptyCount, p->chunkCount);
                }
                EXPECT_EQ(holder.getBin(b).fullPages, nullptr);
            }
        }
        Tavrix::dispose();
        EXPECT_TRUE(pages.starts.empty()) << "offset " << offset;
    }
}

std::vector<MHPageHeaderFixed*> pagesOf(MHPageHeaderFixed* list)
{
    std::vector<MHPageHeaderFixed*> pages;
    for (; list; list = list->nextPage) pages.push_back(list);
    return pages;
}

TEST_F(MemoryTest, ArenaChoosesAndSortsPagesAsTheWalkDoes)
{
    // The arena's index must give exactly the choices of a walk down the
    // pages with room (the last of the pages that fit, starting at the first)
    // and keep that list in descending order of rest, a re-sorted page going
    // before the pages with as much room as it has left.
    for (size_t pageSize : {256, 1024, 8192}) {
        MemoryHolderFixed arena(LDAllocator::MAIN, "walk", pageSize);
        std::mt19937 random(static_cast<unsigned>(pageSize));
        const size_t small[] = {1, 4, 8, 12, 20, 24, 40};
        for (int step = 0; step < 4000; ++step) {
            size_t size = small[random() % 7];
            if (random() % 4 == 0) size = pageSize / 8 + random() % (pageSize / 2);
            if (random() % 50 == 0) size = pageSize + random() % 100;
            const int align = 4 << (random() % 4);
            const int effectiveAlign = std::max(align, static_cast<int>(MemoryHolderFixed::MIN_ALIGN));
            auto fits = [&](MHPageHeaderFixed* page) {
                char* q = static_cast<char*>(UtMemory::alignPtr(page->usedEnd, effectiveAlign, sizeof(AllocHeader)));
                return q < page->endPtr && static_cast<size_t>(page->endPtr - q) >= sizeof(AllocHeader) + size;
            };
            std::vector<MHPageHeaderFixed*> before = pagesOf(arena.getPagesWithRoom());
            MHPageHeaderFixed* expected = nullptr;
            if (!before.empty() && fits(before[0])) {
                size_t k = 0;
                while (k + 1 < before.size() && fits(before[k + 1])) ++k;
                expected = before[k];
            }

            void* block = arena.malloc_exe(size, align);
            ASSERT_NE(block, nullptr);
            ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % effectiveAlign, 0u);
            MHPageHeaderFixed* page = arenaPageOf(block);
            if (expected) {
                ASSERT_EQ(page, expected) << "step " << step << ", page size " << pageSize;
            } else {
                ASSERT_EQ(std::find(before.begin(), before.end(), page), before.end()) << "step " << step;
            }

            std::vector<MHPageHeaderFixed*> sorted;
            for (MHPageHeaderFixed* p : before) {
                if (p != page) sorted.push_back(p);
            }
            if (page->rest >= MemoryHolderFixed::MIN_REST) {
                auto at = std::find_if(sorted.begin(), sorted.end(),
                                       [&](MHPageHeaderFixed* p) { return p->rest <= page->rest; });
                sorted.insert(at, page);
            } else {
                ASSERT_EQ(arena.getFilledPages(), page);
            }
            ASSERT_EQ(pagesOf(arena.getPagesWithRoom()), sorted) << "step " << step << ", page size " << pageSize;
        }
    }
}

} // namespace
