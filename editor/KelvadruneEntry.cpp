// The module's entry points: VSTPluginMain and main create one Kelvadrune each with its editor.
#include "editor/KelvadruneInstance.h"
#include "framework/vst2/VST2Entry.h"

KD_VST2_ENTRY_POINTS(KelvadruneInstance)
