// The latency the plug-in reports to its host: the value last set to report, and the report itself, which
// waits until the host has named itself (hosts asked before that may not expect the call). A base of the
// product class.
#pragma once

#include <atomic>

class Kelvadrune;

class IExtPDCHandler {
 public:
  // The host's thread. Reports latency through plug's SetLatency once its host has named itself; nothing
  // before.
  void SetLatencyPDC(Kelvadrune& plug, int latency);

  // Any thread. The latency value last set to report.
  int GetLatencyValuePDC() const { return mLatencyPDC.load(std::memory_order_acquire); }
  void SetLatencyValuePDC(int latency) { mLatencyPDC.store(latency, std::memory_order_release); }

 private:
  std::atomic<int> mLatencyPDC{0};
};
