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

// The base of the senders: QUEUE_SIZE records of T queued for the editor. It holds nothing; its virtual
// destructor lets a sender be deleted through it.
template <int MAXNC, int QUEUE_SIZE, typename T>
class ISender {
 public:
  virtual ~ISender() = default;
};

template <int MAXNC = 1, int QUEUE_SIZE = 32, int MAXBUF = 1>
class IBufferSender : public ISender<MAXNC, QUEUE_SIZE, std::array<float, MAXNC>> {
 public:
  using Record = ISenderData<MAXNC>;
  static constexpr double kDefaultWindowMs = 2.0;

  // Main thread; allocates the queue (QUEUE_SIZE usable slots, one more kept empty).
  IBufferSender() : mQueue(QUEUE_SIZE + 1) {}

  // Under the DSP mutex (set-up). A window of windowMs at sampleRate, at least one sample; the level
  // glides with coefficient 10^(-1 / window length); rate and samples per millisecond stored; counter,
  // level and both peaks cleared. Queued records stay.
  void Init(double sampleRate, int ctrlTag, double windowMs = kDefaultWindowMs) {
    const bool usable = std::isfinite(sampleRate) && sampleRate > 0.0;
    mCtrlTag = ctrlTag;
    mWindowMs = windowMs;
    mSampleRate = sampleRate;
    mSamplesPerMs = sampleRate / 1000.0;
    const double windowSamples = usable ? windowMs * mSamplesPerMs : 0.0;
    mWindow = windowSamples >= 1.0 ? static_cast<int>(windowSamples) : 1;
    mLevelCoeff = windowSamples > 0.0 ? std::pow(10.0, -1.0 / windowSamples) : 0.0;
    mCounter = 0;
    mLevel = 0.0;
    mPeak = 0.0;
    mLastPeak = 0.0;
  }

  // Audio thread; never blocks or allocates. One value per sample. The window's peak is kept (the last
  // window's in lastPeak). At each window end the record built since the previous window end is queued
  // (dropped when the queue is full) and a new one starts with the smoothed level of this moment, which
  // the running sum of the values taken also counts.
  void AddSample(double value) {
    const double magnitude = std::fabs(value);
    const bool windowEnd = ++mCounter >= mWindow;
    if (windowEnd) {
      mCounter = 0;
      mLastPeak = mPeak;
      mPeak = 0.0;
    }
    if (value > mPeak) mPeak = value;
    mLevel = (mLevel - magnitude) * mLevelCoeff + magnitude;
    if (!windowEnd) return;
    if (mCount > 0) {
      mRecord.ctrlTag = mCtrlTag;
      mRecord.nChans = MAXNC;
      mRecord.chanOffset = 0;
      mRecord.extra1 = 1;
      mRecord.extra2 = 1;
      mRecord.extraValue = static_cast<float>(mAuxValue);
      mRecord.reset = false;
      mQueue.Push(mRecord);
      mCount = 0;
    }
    mRecord.vals[mCount] = static_cast<float>(mLevel);
    mSum += std::fabs(static_cast<float>(mLevel));
    ++mCount;
  }

  // Main thread (the only consumer); never blocks. The oldest queued record; false when none.
  bool PopRecord(Record& record) { return mQueue.Pop(record); }
  // The same into the last-record member, which keeps it until the next record is taken.
  bool PopToLastRecord() { return mQueue.Pop(mLastRecord); }
  const Record& GetLastRecord() const { return mLastRecord; }
  int RecordsQueued() const { return mQueue.ElementsAvailable(); }

  int GetCtrlTag() const { return mCtrlTag; }
  double GetWindowMs() const { return mWindowMs; }
  int GetWindowSamples() const { return mWindow; }
  // The audio thread's state, for whoever holds the DSP mutex.
  double GetSampleRate() const { return mSampleRate; }
  double GetSamplesPerMs() const { return mSamplesPerMs; }
  double GetPeak() const { return mPeak; }
  double GetLastPeak() const { return mLastPeak; }
  float GetSum() const { return mSum; }
  double GetAuxValue() const { return mAuxValue; }

 private:
  static_assert(MAXBUF >= 1 && MAXNC >= 1, "a record holds at least one value");

  int mCtrlTag = -1;
  // The records' spare value (their extraValue); nothing sets it and the modulation views do not read it.
  double mAuxValue = 0.0;
  IRingQueue<Record> mQueue;
  Record mRecord;
  int mCount = 0;
  float mSum = 0.0f;
  int mWindow = 1;
  int mCounter = 0;
  double mSampleRate = 0.0;
  double mSamplesPerMs = 0.0;
  double mLevelCoeff = 0.0;
  double mLevel = 0.0;
  double mPeak = 0.0;
  double mLastPeak = 0.0;
  double mWindowMs = kDefaultWindowMs;
  // The record the idle work took last (main thread only).
  Record mLastRecord;
};

}  // namespace fx
