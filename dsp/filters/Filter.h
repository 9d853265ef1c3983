// The abstract filter: a set of up to 8 described parameters (see ParamInfo) from which a concrete
// filter re-designs itself, plus its response and per-channel processing.
//
// Threads: the parameter operations re-design the filter and run on the thread that owns it (never
// the audio thread while it processes); they may allocate but never block. process and reset run
// on the audio thread and must neither allocate nor block.
#pragma once

#include <vector>

#include "dsp/filters/Biquad.h"
#include "dsp/filters/ParamInfo.h"

namespace Dsp {

class Filter {
 public:
  virtual ~Filter();

  // Owner's thread.
  virtual const char* getName() const = 0;
  virtual int getNumChannels() const = 0;
  virtual int paramCount() const = 0;
  virtual ParamInfo paramInfo(int index) const = 0;
  // Frequency response at f cycles per sample, and the stages' poles and zeros.
  virtual Complex response(double f) const = 0;
  virtual std::vector<StagePoleZeros> poleZeros() const = 0;
  // Second-order stages the filter runs per channel (a first-order stage counts as one).
  virtual int getNumStages() const = 0;

  // Audio thread; must not allocate or block. channels: getNumChannels() pointers, processed in place.
  virtual void reset() = 0;
  virtual void process(int numSamples, float* const* channels) = 0;
  virtual void process(int numSamples, double* const* channels) = 0;

  // Owner's thread. All 8 entries 0, then each described parameter's default.
  ParamValues defaultParams() const;
  const ParamValues& getParams() const { return mParams; }
  // Re-designs from the values and stores them; a re-design that throws leaves the old values.
  void setParams(const ParamValues& params);
  // The highest index whose description has this id, -1 when none.
  int indexOfParamId(ParamKind id) const;
  // Sets the parameter with this id and re-designs; ignored when the filter has no such parameter.
  void setParamForId(ParamKind id, double nativeValue);
  // Starts from the defaults, takes every parameter that other (may be null) shares by id, clamped to
  // this filter's range, and re-designs.
  void adoptParams(const Filter* other);

 protected:
  // The concrete filter re-designs itself from these values; may throw std::logic_error.
  virtual void applyParams(const ParamValues& params) = 0;

 private:
  ParamValues mParams{};
};

}  // namespace Dsp
