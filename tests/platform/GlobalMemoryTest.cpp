#include <platform/GlobalMemory.h>

#include <gtest/gtest.h>

#include <cstdint>

TEST(GlobalAlloc, BlocksKnowTheirSizeAndZeroWhenAsked)
{
    HGLOBAL block = GlobalAlloc(GPTR, 1000);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 1000u);
    const auto *bytes = static_cast<const uint8_t *>(GlobalLock(block));
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(bytes[i], 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % alignof(std::max_align_t), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0u);
}

TEST(GlobalAlloc, AnImpossibleSizeFailsCleanly)
{
    EXPECT_EQ(GlobalAlloc(GMEM_FIXED, SIZE_MAX - 4), nullptr);
}
