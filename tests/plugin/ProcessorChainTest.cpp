// Channel buffer sets and the processor chain.
#include <gtest/gtest.h>

#include <vector>

#include "plugin/ChannelBuffers.h"
#include "plugin/ProcessorChain.h"

namespace {

TEST(ChannelBuffers, AllocatedZeroedAlignedAndCopiedAtAnOffset) {
  double** a = kd::AllocChannelBuffers(8, 2);
  double** b = kd::AllocChannelBuffers(8, 2);
  ASSERT_NE(a, nullptr);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a[c]) % 64, 0u);
    for (int i = 0; i < 8; ++i) a[c][i] = c * 10 + i;
    EXPECT_EQ(b[c][7], 0.0);
  }
  kd::CopyChannelBuffers(a, b, 4, 2, 3);
  EXPECT_EQ(b[1][2], 0.0);
  EXPECT_EQ(b[1][3], 10.0);
  EXPECT_EQ(b[1][6], 13.0);
  kd::ClearChannelBuffers(b, 8, 2);
  EXPECT_EQ(b[1][3], 0.0);
  kd::FreeChannelBuffers(a, 2);
  kd::FreeChannelBuffers(b, 2);
}

TEST(ChannelBuffers, DegenerateSetsAreHandled) {
  double** none = kd::AllocChannelBuffers(8, 0);
  EXPECT_NE(none, nullptr);
  kd::FreeChannelBuffers(none, 0);
  EXPECT_EQ(kd::AllocChannelBuffers(8, -1), nullptr);
  EXPECT_EQ(kd::AllocChannelBuffers(-1, 2), nullptr);
  kd::FreeChannelBuffers(nullptr, 3);
  // Channels of no samples are still channels: set, each its own, aligned; clearing or copying none of
  // their samples touches nothing.
  double** empty = kd::AllocChannelBuffers(0, 2);
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty[0] && empty[1] && empty[0] != empty[1]);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(empty[1]) % 64, 0u);
  kd::ClearChannelBuffers(empty, 0, 2);
  kd::CopyChannelBuffers(empty, empty, 0, 2, 0);
  kd::FreeChannelBuffers(empty, 2);
  kd::ClearChannelBuffers(nullptr, 8, 2);  // no set: nothing to clear
  double sample = 1.0;
  double* channels[2] = {&sample, nullptr};
  double target = 0.0;
  double* targets[2] = {&target, nullptr};
  kd::CopyChannelBuffers(channels, targets, 1, 2, 0);  // the null channel is skipped
  EXPECT_EQ(target, 1.0);
  kd::CopyChannel(nullptr, &target, 1, 0);
  EXPECT_EQ(target, 1.0);
}

class Gain : public kd::ChainProcessor {
 public:
  Gain(double gain, bool active, int* deleted = nullptr) : mGain(gain), mActive(active), mDeleted(deleted) {}
  ~Gain() override {
    if (mDeleted) ++*mDeleted;
  }
  void Prepare(int nChans, int blockSize, double) override {
    mChans = nChans;
    mBlock = blockSize;
  }
  void Process(double** in, double** out, int nFrames) override {
    for (int c = 0; c < mChans; ++c) {
      for (int i = 0; i < nFrames; ++i) out[c][i] = in[c][i] * mGain;
    }
  }
  bool IsActive() const override { return mActive; }
  int mChans = 0;
  int mBlock = 0;

 private:
  double mGain;
  bool mActive;
  int* mDeleted;
};

struct Signal {
  explicit Signal(int n) : left(n), right(n) {
    for (int i = 0; i < n; ++i) {
      left[i] = i + 1;
      right[i] = -(i + 1);
    }
  }
  std::vector<double> left;
  std::vector<double> right;
  double* ptrs[2] = {left.data(), right.data()};
};

TEST(ProcessorChain, EmptyChainPassesTheInput) {
  // Prepared with a block size, and with none (no scratch at all): the input passes whole either way.
  for (const int blockSize : {4, 0}) {
    SCOPED_TRACE(blockSize);
    kd::ProcessorChain chain;
    chain.Create();
    chain.Prepare(2, blockSize, 48000.0);
    Signal in(10);
    Signal out(10);
    out.left.assign(10, 99.0);
    out.right.assign(10, 99.0);
    chain.Process(in.ptrs, out.ptrs, 10);
    EXPECT_EQ(out.left, in.left);
    EXPECT_EQ(out.right, in.right);
  }
}

TEST(ProcessorChain, ActiveItemsRunInOrderAndInactiveOnesAreSkipped) {
  kd::ProcessorChain chain;
  chain.Create();
  chain.Append(new Gain(2.0, true));
  chain.Append(new Gain(100.0, false));
  chain.Append(new Gain(3.0, true));
  chain.Prepare(2, 4, 44100.0);
  EXPECT_EQ(static_cast<Gain*>(chain.Get(0))->mBlock, 4);
  Signal in(10);  // longer than the block: runs in pieces
  Signal out(10);
  chain.Process(in.ptrs, out.ptrs, 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(out.left[i], 6.0 * (i + 1));
    EXPECT_EQ(out.right[i], -6.0 * (i + 1));
  }
}

TEST(ProcessorChain, OnlyInactiveItemsLeaveTheSignalUnchanged) {
  kd::ProcessorChain chain;
  chain.Append(new Gain(5.0, false));
  chain.Prepare(2, 8, 48000.0);
  Signal in(8);
  Signal out(8);
  out.left.assign(8, 99.0);
  chain.Process(in.ptrs, out.ptrs, 8);
  EXPECT_EQ(out.left, in.left);
}

TEST(ProcessorList, GetWalksFromTheCursorAndClampsToTheEnds) {
  kd::ProcessorList list;
  list.SetOwnership(kd::ProcessorList::kLeaveItems);
  EXPECT_EQ(list.Get(0), nullptr);
  EXPECT_EQ(list.CursorIndex(), -1);
  Gain a(1.0, true), b(2.0, true), c(3.0, true);
  list.Append(&a);
  list.Append(&b);
  list.Append(&c);
  EXPECT_EQ(list.CursorIndex(), 2);
  EXPECT_EQ(list.Get(0), &a);
  EXPECT_EQ(list.Get(1), &b);
  EXPECT_EQ(list.Get(7), &c);
  EXPECT_EQ(list.CursorIndex(), 2);
  EXPECT_EQ(list.Get(-3), &a);
}

TEST(ProcessorList, OwnershipDecidesWhatHappensToTheItems) {
  int deleted = 0;
  {
    kd::ProcessorList owning;
    owning.SetOwnership(kd::ProcessorList::kDeleteItems);
    owning.Append(new Gain(1.0, true, &deleted));
    owning.Append(new Gain(1.0, true, &deleted));
  }
  EXPECT_EQ(deleted, 2);
  Gain kept(1.0, true, &deleted);
  {
    kd::ProcessorList leaving;
    leaving.SetOwnership(kd::ProcessorList::kLeaveItems);
    leaving.Append(&kept);
  }
  EXPECT_EQ(deleted, 2);
  kd::ProcessorChain chain;
  chain.Append(new Gain(1.0, true, &deleted));
  chain.Destroy();
  EXPECT_EQ(deleted, 3);
  EXPECT_EQ(chain.Count(), 0);
}

}  // namespace
