// The modulation-view sender: reduces one audio-rate value (a fader position) to one record per window
// (2 ms) and queues the records for the editor. The audio thread is the only producer, the main thread
// (the idle work) the only consumer; the queue is fixed-size, never blocks, and drops a record when full.
#pragma once

#include <array>
#include <cmath>

#include "framework/IRingQueue.h"

namespace fx {

// The 36-byte record the editor's modulation views receive (message tag 0).
template <int MAXNC = 1>
struct ISenderData {
  int ctrlTag = -1;
  int nChans = MAXNC;
  int chanOffset = 0;
  std::array<float, MAXNC> vals{};
  int extra1 = -1;
  int extra2 = -1;
  float extraValue = -1.0f;
  bool reset = false;
  int extra3 = -1;
};

static_assert(sizeof(ISenderData<1>) == 36, "the editor reads records of 36 bytes");

template <int MAXNC = 1, int QUEUE_SIZE = 32, int MAXBUF = 1>
class IBufferSender {
 public:
  using Record = ISenderData<MAXNC>;
  static constexpr double kDefaultWindowMs = 2.0;

  // Main thread; allocates the queue (QUEUE_SIZE usable slots, one more kept empty).
  IBufferSender() : mQueue(QUEUE_SIZE + 1) {}

  // Under the DSP mutex (set-up). A window of windowMs at sampleRate, at least one sample; the level
  // glides with coefficient 10^(-1 / window length); counter and level cleared. Queued records stay.
  void Init(double sampleRate, int ctrlTag, double windowMs = kDefaultWindowMs) {
    const double windowSamples = std::isfinite(sampleRate) && sampleRate > 0.0 ? windowMs / 1000.0 * sampleRate : 0.0;
    mCtrlTag = ctrlTag;
    mWindowMs = windowMs;
    mWindow = windowSamples >= 1.0 ? static_cast<int>(windowSamples) : 1;
    mLevelCoeff = windowSamples > 0.0 ? std::pow(10.0, -1.0 / windowSamples) : 0.0;
    mCounter = 0;
    mLevel = 0.0;
  }

  // Audio thread; never blocks or allocates. One value per sample. At each window end the record built
  // since the previous window end is queued (dropped when the queue is full) and a new one starts with
  // the smoothed level of this moment.
  void AddSample(double value) {
    const double magnitude = std::fabs(value);
    const bool windowEnd = ++mCounter >= mWindow;
    if (windowEnd) mCounter = 0;
    mLevel = (mLevel - magnitude) * mLevelCoeff + magnitude;
    if (!windowEnd) return;
    if (mCount > 0) {
      mRecord.ctrlTag = mCtrlTag;
      mRecord.nChans = MAXNC;
      mRecord.chanOffset = 0;
      mRecord.extra1 = 1;
      mRecord.extra2 = 1;
      mRecord.extraValue = kAuxValue;
      mRecord.reset = false;
      mQueue.Push(mRecord);
      mCount = 0;
    }
    mRecord.vals[mCount] = static_cast<float>(mLevel);
    ++mCount;
  }

  // Main thread; never blocks. The oldest queued record; false when none.
  bool PopRecord(Record& record) { return mQueue.Pop(record); }
  int RecordsQueued() const { return mQueue.ElementsAvailable(); }

  int GetCtrlTag() const { return mCtrlTag; }
  double GetWindowMs() const { return mWindowMs; }
  int GetWindowSamples() const { return mWindow; }

 private:
  static_assert(MAXBUF >= 1 && MAXNC >= 1, "a record holds at least one value");
  // The record's spare value; the modulation views do not read it.
  static constexpr float kAuxValue = 0.0f;

  IRingQueue<Record> mQueue;
  Record mRecord;
  int mCtrlTag = -1;
  double mWindowMs = kDefaultWindowMs;
  int mWindow = 1;
  int mCounter = 0;
  int mCount = 0;
  double mLevelCoeff = 0.0;
  double mLevel = 0.0;
};

}  // namespace fx
