// The module's entry points: VSTPluginMain and main create one Kelvadrune each with its editor; in a module
// built with the project's tests, one that also answers the test host's editor-frame request.
#include "framework/vst2/VST2Entry.h"

#ifdef KD_TEST_REQUESTS
#include "editor/KelvadruneTestInstance.h"
KD_VST2_ENTRY_POINTS(KelvadruneTestInstance)
#else
#include "editor/KelvadruneInstance.h"
KD_VST2_ENTRY_POINTS(KelvadruneInstance)
#endif
