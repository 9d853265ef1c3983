// A processor chain: runs its processors one after another over a block, each reading the previous
// one's result through a scratch copy of the signal. A stand-alone facility: the volume plug-in's own
// processing does not use one.
#pragma once

#include <memory>

#include "plugin/ProcessorList.h"

namespace kd {

class ProcessorChain {
 public:
  ProcessorChain() = default;
  ~ProcessorChain();
  ProcessorChain(const ProcessorChain&) = delete;
  ProcessorChain& operator=(const ProcessorChain&) = delete;

  // Main thread. Attaches an empty list that deletes its items through the default deleter.
  void Create();
  // Main thread. Disposes of the items per the list's ownership and frees the list and the scratch.
  void Destroy();
  // Main thread, while no block runs. Appends to the list (creating it first when there is none).
  void Append(ChainProcessor* item);
  ChainProcessor* Get(int index);
  int Count() const { return mList ? mList->Count() : 0; }
  ProcessorList* List() { return mList.get(); }

  // Main thread, while no block runs; allocates the scratch. Stores the values and prepares every item
  // in list order. Counts below 1 prepare nothing to process.
  void Prepare(int nChans, int blockSize, double sampleRate);
  // Audio thread; never allocates. The input through every active item in order into the output; the
  // input unchanged with no active item. Longer blocks than prepared run in pieces of the block size.
  void Process(double** in, double** out, int nFrames);

  int NChans() const { return mNChans; }
  int BlockSize() const { return mBlockSize; }
  double SampleRate() const { return mSampleRate; }

 private:
  void ProcessPiece(double** in, double** out, int offset, int nFrames);
  void FreeScratch();

  int mNChans = 0;
  int mBlockSize = 0;
  double mSampleRate = 0.0;
  std::unique_ptr<ProcessorList> mList;
  double** mScratch = nullptr;
  // Per-channel pointers at the current piece's offset (in, out), sized nChans.
  double** mInAt = nullptr;
  double** mOutAt = nullptr;
};

}  // namespace kd
