#include "plugin/ProcessorChain.h"

#include <algorithm>

#include "plugin/ChannelBuffers.h"

namespace kd {

ProcessorChain::~ProcessorChain() {
  Destroy();
}

void ProcessorChain::Create() {
  mList = std::make_unique<ProcessorList>();
  mList->SetOwnership(ProcessorList::kCallDeleter, &ProcessorList::DefaultDeleter);
}

void ProcessorChain::Destroy() {
  mList.reset();
  FreeScratch();
}

void ProcessorChain::Append(ChainProcessor* item) {
  if (!mList) Create();
  mList->Append(item);
}

ChainProcessor* ProcessorChain::Get(int index) {
  return mList ? mList->Get(index) : nullptr;
}

void ProcessorChain::FreeScratch() {
  FreeChannelBuffers(mScratch, mNChans);
  delete[] mInAt;
  delete[] mOutAt;
  mScratch = nullptr;
  mInAt = nullptr;
  mOutAt = nullptr;
}

void ProcessorChain::Prepare(int nChans, int blockSize, double sampleRate) {
  FreeScratch();
  mNChans = std::max(nChans, 0);
  mBlockSize = std::max(blockSize, 0);
  mSampleRate = sampleRate;
  if (mNChans > 0 && mBlockSize > 0) {
    mScratch = AllocChannelBuffers(mBlockSize, mNChans);
    mInAt = new double*[mNChans]();
    mOutAt = new double*[mNChans]();
  }
  for (int i = 0; i < Count(); ++i) mList->Get(i)->Prepare(mNChans, mBlockSize, mSampleRate);
}

void ProcessorChain::Process(double** in, double** out, int nFrames) {
  if (!in || !out) return;
  // An empty chain copies straight to the outputs: it needs no scratch, so it passes the input also when the
  // chain was prepared without a block size.
  if (Count() == 0) {
    for (int c = 0; c < mNChans; ++c) CopyChannel(in[c], out[c], nFrames, 0);
    return;
  }
  // Without scratch (no block size or channels) there is nowhere to run the items.
  if (!mScratch) return;
  for (int offset = 0; offset < nFrames; offset += mBlockSize) {
    ProcessPiece(in, out, offset, std::min(mBlockSize, nFrames - offset));
  }
}

void ProcessorChain::ProcessPiece(double** in, double** out, int offset, int nFrames) {
  for (int c = 0; c < mNChans; ++c) {
    mInAt[c] = in[c] ? in[c] + offset : nullptr;
    mOutAt[c] = out[c] ? out[c] + offset : nullptr;
  }
  CopyChannelBuffers(mInAt, mScratch, nFrames, mNChans, 0);
  bool processed = false;
  for (int i = 0; i < Count(); ++i) {
    ChainProcessor* item = mList->Get(i);
    if (!item || !item->IsActive()) continue;
    item->Process(mScratch, mOutAt, nFrames);
    CopyChannelBuffers(mOutAt, mScratch, nFrames, mNChans, 0);
    processed = true;
  }
  // Without an active item the signal passes unchanged rather than leaving the outputs unwritten.
  if (!processed) CopyChannelBuffers(mScratch, mOutAt, nFrames, mNChans, 0);
}

}  // namespace kd
