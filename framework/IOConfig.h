// Channel-I/O configurations: the bus layouts a plug-in accepts, parsed from a text such as "1-1 2-2"
// (configurations separated by blanks, input and output side by "-", buses by ".", "*" a wildcard).
#pragma once

#include "framework/FwPtrList.h"

#include <string_view>

namespace fx {

enum ERoute : int { kInput = 0, kOutput = 1 };

// A bus of one configuration. A wildcard bus has kWildcardChannels channels.
struct IBusInfo {
  static constexpr int kWildcardChannels = -64;

  IBusInfo(ERoute direction, int nChannels) : mDirection(direction), mNChans(nChannels) {}
  bool IsWildcard() const { return mNChans == kWildcardChannels; }

  ERoute mDirection;
  int mNChans;
};

// One accepted layout: the input buses and the output buses, in order. Owns its bus records. Built on the
// main thread at construction, then only read (any thread, never blocks).
class IOConfig {
 public:
  IOConfig() = default;
  ~IOConfig();
  IOConfig(const IOConfig&) = delete;
  IOConfig& operator=(const IOConfig&) = delete;

  void AddBusInfo(ERoute direction, int nChannels);
  // Null when idx is out of range.
  const IBusInfo* GetBusInfo(ERoute direction, int idx) const;
  int NBuses(ERoute direction) const { return mBuses[direction].GetSize(); }
  // Channels of bus idx, 0 when there is no such bus (a wildcard bus answers kWildcardChannels).
  int NChansOnBus(ERoute direction, int idx) const;
  // Sum of the channel counts of every bus of that direction (each wildcard adds kWildcardChannels).
  int GetTotalNChannels(ERoute direction) const;
  bool ContainsWildcard(ERoute direction) const;

  // Main thread; allocates. One configuration of a channel-I/O text, e.g. "1.1-2": buses separated by
  // ".", input side before the first "-", output side after it (none without "-"). A bus token reads as
  // "%d" does (no number reads as 0), "*" is a wildcard, and a bus of 0 channels is left out.
  void ParseConfigText(std::string_view text);

 private:
  void ParseSide(ERoute direction, std::string_view side);

  FwPtrList<IBusInfo> mBuses[2];
};

}  // namespace fx
