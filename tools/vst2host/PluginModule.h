// A VST 2 plug-in module loaded into the test host: the shared library and its entry point.
#pragma once

#include <string>

#include "platform/vst2/VST2Interface.h"

namespace vsthost {

class PluginModule {
 public:
  PluginModule() = default;
  // Main thread. Unloads the library; every effect created from it must be closed first.
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Main thread; blocks on file I/O. Loads the library and finds "VSTPluginMain", falling back to "main"
  // (on 64-bit Linux both take and return full pointers). False with a reason in error when either fails.
  bool Load(const std::string& path, std::string& error);
  // Main thread. Prefers the old "main" entry when asked and the module has one.
  vst2::EntryFunc Entry(bool preferLegacyMain) const;
  void Unload();

 private:
  void* mHandle = nullptr;
  vst2::EntryFunc mPluginMain = nullptr;
  vst2::EntryFunc mLegacyMain = nullptr;
};

}  // namespace vsthost
