// One step of a sample-rate conversion chain: block convolvers, half-band steps and the fractional
// interpolator all take double samples in and hand double samples out through this interface.
#pragma once

#include "plugin/resampler/Allocation.h"

#include <climits>
#include <cmath>

namespace rsmp {

class CDSPProcessor : public CStdClassAllocator {
 public:
  CDSPProcessor() = default;
  CDSPProcessor(const CDSPProcessor&) = delete;
  CDSPProcessor& operator=(const CDSPProcessor&) = delete;

  // Owner's thread; may take the family's cache locks to return shared filters and FFT objects.
  virtual ~CDSPProcessor() = default;

  // Any thread, never blocks: input samples (counted from construction or the last Clear) that
  // correspond to output position `outPos`, the step's latency included: fed that many, the step gives at
  // least `outPos` outputs. INT_MAX when more input than an int counts would be needed.
  virtual int GetInputLengthForOutput(int outPos) const = 0;
  // Any thread, never blocks: latency in output samples left in the output (0 when consumed).
  virtual int GetLatency() const = 0;
  // Any thread, never blocks: fractional latency handed to the next step, 0 <= value < 1, in output samples.
  virtual double GetLatencyFraction() const = 0;
  // Any thread, never blocks: the most samples one Process call returns for `maxInLen` input samples.
  virtual int GetMaxOutputLength(int maxInLen) const = 0;

  // Processing thread, never blocks or allocates: back to the state just after construction.
  virtual void Clear() = 0;
  // Processing thread, never blocks or allocates. Consumes `length` samples of `in`; on entry `out`
  // points to room for GetMaxOutputLength(length) doubles, on return to the first output sample.
  // Returns the number of output samples.
  virtual int Process(double* in, int length, double*& out) = 0;

 protected:
  // An input length from the real-valued position of an output's input: rounded up, as a position between
  // two inputs needs the later one; 0 for none, INT_MAX for positions past what an int counts.
  static int InputLengthAt(double position) noexcept {
    if (!(position > 0.0)) return 0;
    if (position >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(std::ceil(position));
  }
};

}  // namespace rsmp
