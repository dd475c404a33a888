#include "base/huge_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vintrel;

TEST(BlockSupply, BlocksComeZeroedAndStayTheFillersWhileTheHelperPreparesThem) {
    // A store filling blocks one after another, byte patterns written as it goes: the helper
    // faulting pages in beside it must neither clear what was written nor outlive a freed block.
    constexpr std::size_t kBytes = std::size_t{4} << 20;
    BlockSupply supply(kBytes);
    std::vector<unsigned char*> blocks;
    for (int b = 0; b < 6; ++b) {
        auto* block = static_cast<unsigned char*>(supply.take());
        ASSERT_TRUE(std::all_of(block, block + kBytes, [](unsigned char c) { return c == 0; })) << b;
        for (std::size_t at = 0; at < kBytes; at += 4096) {
            block[at] = static_cast<unsigned char>(b + 1);
            supply.filled(at + 1);
        }
        blocks.push_back(block);
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        for (std::size_t at = 0; at < kBytes; at += 4096) {
            ASSERT_EQ(blocks[b][at], b + 1) << b << " at " << at;
        }
        freeLargeBlock(blocks[b], kBytes);
    }
    supply.clear();  // the spare made ready for a seventh block
}

TEST(BlockSupply, ABlockFreedAtOnceAfterBeingOfferedToTheHelperIsSafe) {
    constexpr std::size_t kBytes = std::size_t{2} << 20;
    for (int i = 0; i < 50; ++i) {
        void* block = allocateLargeBlock(kBytes);
        prepareLargeBlock(block, kBytes);
        freeLargeBlock(block, kBytes);
    }
    void* last = allocateLargeBlock(kBytes);
    EXPECT_EQ(*static_cast<const unsigned char*>(last), 0);
    freeLargeBlock(last, kBytes);
}
