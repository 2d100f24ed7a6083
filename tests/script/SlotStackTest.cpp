// The engine's slot stack: room taken past the end of a chunk, given back
// in stack order, every value put back to Empty and the addresses kept.

#include "core/Variant.h"
#include "script/SlotStack.h"

#include <gtest/gtest.h>

#include <vector>

using core::Variant;
using script::SlotStack;

TEST(SlotStack, RoomAcrossChunksIsClearedAndGivenBackInOrder) {
    SlotStack<Variant> stack;
    struct Taken {
        SlotStack<Variant>::Mark mark;
        Variant* items;
        std::size_t count;
    };
    std::vector<Taken> frames;
    // Frames of varied sizes, one larger than a whole chunk, far past the first chunk.
    for (std::size_t i = 0; i < 3000; ++i) {
        const std::size_t n = i == 1500 ? 5000 : 1 + i % 7;
        Taken t{stack.mark(), stack.take(n), n};
        for (std::size_t k = 0; k < n; ++k) {
            ASSERT_TRUE(t.items[k].isEmpty());
            t.items[k] = Variant(QStringLiteral("f%1.%2").arg(i).arg(k));
        }
        frames.push_back(t);
    }
    // Every frame still holds its own values: nothing moved, nothing overlapped.
    for (std::size_t i = 0; i < frames.size(); i += 97)
        EXPECT_EQ(frames[i].items[frames[i].count - 1].stringValue(),
                  QStringLiteral("f%1.%2").arg(i).arg(frames[i].count - 1));
    // Given back from the last, each frame's values are Empty again...
    while (frames.size() > 1000) {
        const Taken t = frames.back();
        frames.pop_back();
        stack.release(t.mark);
        for (std::size_t k = 0; k < t.count; ++k) ASSERT_TRUE(t.items[k].isEmpty());
    }
    // ...the room taken next is clear, and the frames below keep their values.
    const Taken last = frames.back();
    const SlotStack<Variant>::Mark top = stack.mark();
    Variant* again = stack.take(3);
    EXPECT_TRUE(again[0].isEmpty() && again[2].isEmpty());
    stack.release(top);
    EXPECT_EQ(last.items[0].stringValue(), QStringLiteral("f999.0"));
    stack.release(frames.front().mark);
    EXPECT_TRUE(frames.front().items[0].isEmpty());
}
