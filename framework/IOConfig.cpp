#include "framework/IOConfig.h"

#include <algorithm>
#include <charconv>

namespace fx {

namespace {

// Like "%d": leading tabs or newlines and a "+" are skipped, then the leading digits count; no number
// reads as 0. A "-" never reaches here: it separates the sides.
int BusChannelCount(std::string_view token) {
  if (token == "*") return IBusInfo::kWildcardChannels;
  while (!token.empty() && (token.front() == '\t' || token.front() == '\n')) token.remove_prefix(1);
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  int count = 0;
  std::from_chars(token.data(), token.data() + token.size(), count);
  return count;
}

}  // namespace

IOConfig::~IOConfig() {
  mBuses[kInput].Empty(true);
  mBuses[kOutput].Empty(true);
}

void IOConfig::AddBusInfo(ERoute direction, int nChannels) {
  auto* bus = new IBusInfo(direction, nChannels);
  if (!mBuses[direction].Add(bus)) delete bus;
}

const IBusInfo* IOConfig::GetBusInfo(ERoute direction, int idx) const {
  return mBuses[direction].Get(idx);
}

int IOConfig::NChansOnBus(ERoute direction, int idx) const {
  const IBusInfo* bus = GetBusInfo(direction, idx);
  return bus ? bus->mNChans : 0;
}

int IOConfig::GetTotalNChannels(ERoute direction) const {
  int total = 0;
  for (int i = 0; i < NBuses(direction); ++i) total += NChansOnBus(direction, i);
  return total;
}

bool IOConfig::ContainsWildcard(ERoute direction) const {
  for (int i = 0; i < NBuses(direction); ++i) {
    if (GetBusInfo(direction, i)->IsWildcard()) return true;
  }
  return false;
}

void IOConfig::ParseConfigText(std::string_view text) {
  const size_t dash = text.find('-');
  ParseSide(kInput, text.substr(0, dash));
  if (dash != std::string_view::npos) ParseSide(kOutput, text.substr(dash + 1));
}

void IOConfig::ParseSide(ERoute direction, std::string_view side) {
  size_t start = 0;
  while (start <= side.size()) {
    const size_t end = std::min(side.find('.', start), side.size());
    if (end > start) {
      const int nChannels = BusChannelCount(side.substr(start, end - start));
      if (nChannels != 0) AddBusInfo(direction, nChannels);
    }
    start = end + 1;
  }
}

}  // namespace fx
