// The production host's buffer pool: blocks come back for reuse, sizes and
// capacity are honoured, and addresses it never lent are refused.
#include <gtest/gtest.h>

#include <cstring>

#include "hosts/prodhost/BufferPool.h"

namespace prodhost {
namespace {

TEST(BufferPool, AGivenBackBlockServesTheNextRequestOfItsSize) {
    BufferPool pool(64 << 20);
    void* big = pool.Take(5 << 20);
    ASSERT_NE(big, nullptr);
    std::memset(big, 0x33, 5 << 20);  // usable in full
    EXPECT_TRUE(pool.Lent(big));
    EXPECT_TRUE(pool.Give(big));
    EXPECT_FALSE(pool.Lent(big));
    EXPECT_EQ(pool.Take(4 << 20), big);
    // Too small a request for the free block gets its own.
    void* small = pool.Take(1000);
    EXPECT_NE(small, nullptr);
    EXPECT_NE(small, big);
    EXPECT_EQ(pool.BlocksLent(), 2);
    EXPECT_TRUE(pool.Give(small));
    EXPECT_EQ(pool.Take(3000), small);  // the page the small block took
}

TEST(BufferPool, CapacityAndUnknownAddressesAreRefused) {
    BufferPool pool(8 << 20);
    void* first = pool.Take(6 << 20);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(pool.Take(4 << 20), nullptr);
    int local = 0;
    EXPECT_FALSE(pool.Give(&local));
    EXPECT_TRUE(pool.Give(first));
    EXPECT_FALSE(pool.Give(first)) << "a block given back twice";
    EXPECT_EQ(pool.BytesLent(), 0u);
    EXPECT_NE(pool.Take(7 << 20), nullptr);
}

}  // namespace
}  // namespace prodhost
