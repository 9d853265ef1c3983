#include "plugin/IExtPDCHandler.h"

#include "plugin/Kelvadrune.h"

void IExtPDCHandler::SetLatencyPDC(Kelvadrune& plug, int latency) {
  if (plug.GetHost() != fx::kHostUninit) plug.SetLatency(latency);
}
