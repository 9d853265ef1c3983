// The module's entry points: VSTPluginMain and main create one Kelvadrune each.
#include "framework/vst2/VST2Entry.h"
#include "plugin/Kelvadrune.h"

KD_VST2_ENTRY_POINTS(Kelvadrune)
