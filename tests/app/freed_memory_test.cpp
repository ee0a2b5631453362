// The backend keeps freed memory: a large block freed and taken again costs
// no fresh page faults, where glibc's defaults would map it anew each time.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UMBRAFALL_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define UMBRAFALL_OWN_ALLOCATOR 1
#endif

namespace {

long PageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// Allocates three blocks of `bytes`, touches every page of them and frees
// them, as a frame's driver buffers come and go.
void TouchBlocks(std::size_t bytes) {
    unsigned char* blocks[3] = {};
    for (unsigned char*& block : blocks) {
        block = static_cast<unsigned char*>(std::malloc(bytes));
        ASSERT_NE(block, nullptr);
        std::memset(block, 0x5a, bytes);
    }
    volatile unsigned char sink = blocks[2][bytes / 2];
    (void)sink;
    for (unsigned char* block : blocks) std::free(block);
}

}  // namespace

TEST(FreedMemory, FreedBlocksTakenAgainFaultNoPagesIn) {
#ifdef UMBRAFALL_OWN_ALLOCATOR
    GTEST_SKIP() << "the sanitizer's allocator ignores the allocator settings";
#endif
    constexpr std::size_t Bytes = std::size_t{6} << 20;  // 1536 pages of 4 kB
    TouchBlocks(Bytes);                                  // the first time may grow the heap
    const long before = PageFaults();
    for (int round = 0; round < 8; ++round) TouchBlocks(Bytes);
    EXPECT_LT(PageFaults() - before, 500) << "8 rounds of 3 x 1536 pages";
}
