// Sample-accurate automation of one fader: changes that arrive with a sample offset inside the block are
// marked in per-sample slots, and at the block start the positions between them are interpolated
// linearly by sample index. Only used while the plug-in's sample-accurate path is on.
//
// Threads: Resize runs under the DSP mutex while no block runs; SetPending runs on the thread that
// changed the parameter; Interpolate, Position and EndBlock run on the audio thread. The slots that
// cross threads are atomics; nothing here blocks or allocates after Resize.
#pragma once

#include <atomic>
#include <memory>

namespace kd {

class AutomationBuffer {
 public:
  // One slot per sample of a block, all cleared; the position before the first change is position.
  void Resize(int nSlots, double position);
  // A change to value at sample offset within the block. The first change of a block clears the marks
  // left from the previous one. Offsets outside the slots are ignored.
  void SetPending(int offset, double value);
  // Marks every slot as unused for this block (a change without an offset arrived).
  void Deactivate() { mActive.store(false, std::memory_order_release); }
  bool IsActive() const { return mActive.load(std::memory_order_acquire); }
  // Fills every slot's position: the previous block's last position before the first mark, a straight
  // line between marks, the last mark's value after it. The last slot's position carries over.
  void Interpolate(int nFrames);
  // The interpolated position of sample idx (the carried-over position outside the slots).
  double Position(int idx) const { return idx >= 0 && idx < mNSlots ? mPositions[idx] : mPrevious; }
  void EndBlock() { mActive.store(false, std::memory_order_release); }
  int NumSlots() const { return mNSlots; }

 private:
  struct Slot {
    std::atomic<bool> pending{false};
    std::atomic<double> value{0.0};
  };

  std::unique_ptr<Slot[]> mSlots;
  std::unique_ptr<double[]> mPositions;
  int mNSlots = 0;
  double mPrevious = 0.0;
  std::atomic<bool> mActive{false};
};

}  // namespace kd
