// SPDX-License-Identifier: MIT
#include "util/ThreadPreemptions.h"

#include <gtest/gtest.h>

#include <thread>

namespace kelda {
namespace {

// Linux counts per thread, so the seam must use it there; the count only grows, and a new thread
// starts its own count.
TEST(ThreadPreemptions, CountedPerThreadWhereTheSystemDoes) {
#if defined(__linux__)
    EXPECT_TRUE(ThreadPreemptionsKnown());
#endif
    if (!ThreadPreemptionsKnown()) {
        EXPECT_EQ(ThreadPreemptions(), 0);
        return;
    }
    const long before = ThreadPreemptions();
    EXPECT_GE(before, 0);
    long first = -1;
    long later = -1;
    std::thread([&] {
        first = ThreadPreemptions();
        std::this_thread::yield();
        later = ThreadPreemptions();
    }).join();
    EXPECT_GE(first, 0);
    EXPECT_GE(later, first);
    EXPECT_GE(ThreadPreemptions(), before);
}

} // namespace
} // namespace kelda
