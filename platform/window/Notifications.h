// Named notifications that objects post and observers receive, in the order the observers were added.
// Any thread: editors on several threads share the default centre. Each object's notifications are posted, and
// its observers added and removed, on the object's thread; handlers run on the posting thread and may add or
// remove observers from inside a notification.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace platform::window {

namespace notification {
// Posted with the window as object when it loses the keyboard focus.
inline constexpr const char* kWindowDidResignKey = "WindowDidResignKey";
inline constexpr const char* kWindowDidResignMain = "WindowDidResignMain";
// Posted with the view as object when its frame changed.
inline constexpr const char* kViewFrameDidChange = "ViewFrameDidChange";
}  // namespace notification

class NotificationCenter {
 public:
  using Handler = std::function<void(const std::string& name, const void* object)>;

  static NotificationCenter& Default();

  // object null observes the name from every object.
  void AddObserver(const void* observer, std::string name, const void* object, Handler handler);
  // Removes every observation of observer.
  void RemoveObserver(const void* observer);
  void Post(const std::string& name, const void* object);

 private:
  struct Observation {
    const void* observer;
    std::string name;
    const void* object;
    Handler handler;
    unsigned id;
  };
  // Guards the list and the next id; never held while a handler runs.
  std::mutex mMutex;
  std::vector<Observation> mObservations;
  unsigned mNextId = 0;
};

}  // namespace platform::window
