#include "platform/window/Notifications.h"

#include <algorithm>

namespace platform::window {

NotificationCenter& NotificationCenter::Default() {
  static NotificationCenter center;
  return center;
}

void NotificationCenter::AddObserver(const void* observer, std::string name, const void* object, Handler handler) {
  std::lock_guard lock(mMutex);
  mObservations.push_back({observer, std::move(name), object, std::move(handler), mNextId++});
}

void NotificationCenter::RemoveObserver(const void* observer) {
  std::lock_guard lock(mMutex);
  std::erase_if(mObservations, [observer](const Observation& o) { return o.observer == observer; });
}

void NotificationCenter::Post(const std::string& name, const void* object) {
  // Ids of the matching observations first: handlers may change the list while it is walked.
  std::vector<unsigned> ids;
  {
    std::lock_guard lock(mMutex);
    for (const Observation& o : mObservations) {
      if (o.name == name && (!o.object || o.object == object)) ids.push_back(o.id);
    }
  }
  for (unsigned id : ids) {
    Handler handler;  // a copy: the observation may be removed by its own handler
    {
      std::lock_guard lock(mMutex);
      auto it =
          std::find_if(mObservations.begin(), mObservations.end(), [id](const Observation& o) { return o.id == id; });
      if (it == mObservations.end()) continue;
      handler = it->handler;
    }
    handler(name, object);
  }
}

}  // namespace platform::window
