#include "tools/vst2host/PluginModule.h"

#include <dlfcn.h>

namespace vsthost {

namespace {

vst2::EntryFunc FindEntry(void* handle, const char* name) {
  return reinterpret_cast<vst2::EntryFunc>(dlsym(handle, name));
}

}  // namespace

PluginModule::~PluginModule() {
  Unload();
}

bool PluginModule::Load(const std::string& path, std::string& error) {
  Unload();
  mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!mHandle) {
    const char* reason = dlerror();
    error = reason ? reason : "cannot load " + path;
    return false;
  }
  mPluginMain = FindEntry(mHandle, "VSTPluginMain");
  mLegacyMain = FindEntry(mHandle, "main");
  if (!mPluginMain && !mLegacyMain) {
    error = path + " exports neither VSTPluginMain nor main";
    Unload();
    return false;
  }
  return true;
}

vst2::EntryFunc PluginModule::Entry(bool preferLegacyMain) const {
  if (preferLegacyMain && mLegacyMain) return mLegacyMain;
  return mPluginMain ? mPluginMain : mLegacyMain;
}

void PluginModule::Unload() {
  if (mHandle) dlclose(mHandle);
  mHandle = nullptr;
  mPluginMain = nullptr;
  mLegacyMain = nullptr;
}

}  // namespace vsthost
