#include "plugin/DetachedWorker.h"

#include <dlfcn.h>
#include <link.h>
#include <pthread.h>

#include <system_error>
#include <thread>
#include <utility>

namespace kd {

namespace {

// Any address inside this module identifies it to the loader.
void DetachedWorkerAnchor() {}

// The thread key that holds a worker's module reference, with dlclose as its destructor. The C library runs
// key destructors when a thread ends, after its start routine has returned, from its own code: the last
// reference is dropped there and the module may be unmapped without anything returning into it. (dlclose
// called as void (*)(void*) is sound in the C calling convention: one pointer argument, the int result is
// left unread.) The key itself goes with the module, when no worker holds it any more.
class ModuleReleaseKey {
 public:
  ModuleReleaseKey() {
    const auto release = reinterpret_cast<void (*)(void*)>(reinterpret_cast<void (*)()>(&dlclose));
    mValid = pthread_key_create(&mKey, release) == 0;
  }
  ~ModuleReleaseKey() {
    if (mValid) pthread_key_delete(mKey);
  }
  ModuleReleaseKey(const ModuleReleaseKey&) = delete;
  ModuleReleaseKey& operator=(const ModuleReleaseKey&) = delete;

  bool Valid() const { return mValid; }
  pthread_key_t Key() const { return mKey; }

 private:
  pthread_key_t mKey{};
  bool mValid = false;
};

// A new reference on the module that holds this code, in handle: nullptr for the program itself, which is
// never unloaded. False when the loader gives none.
bool HoldOwnModule(void*& handle) {
  handle = nullptr;
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&DetachedWorkerAnchor), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) ==
          0 ||
      !map) {
    return false;
  }
  if (!map->l_name || map->l_name[0] == '\0') return true;
  // The module is loaded (this code runs in it): asking for it by the name it was loaded under only counts.
  handle = dlopen(map->l_name, RTLD_LAZY | RTLD_NOLOAD);
  return handle != nullptr;
}

}  // namespace

bool StartDetachedWorker(std::function<void()> work) {
  static const ModuleReleaseKey releaseKey;
  if (!releaseKey.Valid()) return false;
  void* module = nullptr;
  if (!HoldOwnModule(module)) return false;
  try {
    std::thread([module, key = releaseKey.Key(), work = std::move(work)] {
      // First, so that the reference goes however the thread ends. Should the C library have no room for
      // the value, the reference stays: the module is then never unloaded, which is safe.
      if (module) pthread_setspecific(key, module);
      work();
    }).detach();
  } catch (const std::system_error&) {
    if (module) dlclose(module);
    return false;
  }
  return true;
}

}  // namespace kd
