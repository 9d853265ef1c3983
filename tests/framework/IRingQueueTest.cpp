#include "framework/IRingQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace fx {
namespace {

TEST(IRingQueueTest, CapacityLessOneEntriesFirstInFirstOut) {
  IRingQueue<int> queue(5);
  EXPECT_EQ(queue.Capacity(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(queue.Push(i));
  EXPECT_FALSE(queue.Push(99));
  EXPECT_EQ(queue.ElementsAvailable(), 4);
  int value = -1;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(queue.Pop(value));
    EXPECT_EQ(value, i);
  }
  EXPECT_FALSE(queue.Pop(value));
  EXPECT_EQ(value, 3) << "an empty pop leaves the entry untouched";
}

TEST(IRingQueueTest, TooSmallCapacityHoldsNothing) {
  for (int capacity : {-3, 0, 1}) {
    IRingQueue<int> queue(capacity);
    int value = 7;
    EXPECT_FALSE(queue.Push(1));
    EXPECT_FALSE(queue.Pop(value));
    EXPECT_EQ(value, 7);
  }
}

// Several producers at once: every entry that was accepted arrives exactly once and intact, and each
// producer's entries arrive in the order it pushed them.
TEST(IRingQueueTest, SeveralProducersNeverCorruptAnEntry) {
  struct Entry {
    int producer;
    int sequence;
    int check;
  };
  constexpr int kProducers = 4;
  constexpr int kPerProducer = 5000;
  IRingQueue<Entry> queue(64);
  std::vector<std::thread> producers;
  std::vector<int> accepted(kProducers, 0);
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&queue, &accepted, p] {
      for (int s = 0; s < kPerProducer; ++s)
        accepted[static_cast<size_t>(p)] += queue.Push(Entry{p, s, p * 100000 + s});
    });
  }
  std::vector<int> lastSeen(kProducers, -1);
  std::vector<int> received(kProducers, 0);
  auto drain = [&] {
    Entry entry;
    while (queue.Pop(entry)) {
      ASSERT_EQ(entry.check, entry.producer * 100000 + entry.sequence);
      ASSERT_GT(entry.sequence, lastSeen[static_cast<size_t>(entry.producer)]);
      lastSeen[static_cast<size_t>(entry.producer)] = entry.sequence;
      ++received[static_cast<size_t>(entry.producer)];
    }
  };
  for (int round = 0; round < 2000; ++round) drain();
  for (std::thread& t : producers) t.join();
  drain();
  EXPECT_EQ(received, accepted);
}

}  // namespace
}  // namespace fx
