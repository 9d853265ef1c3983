#include "platform/window/HeadlessBackend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/window/Menu.h"
#include "platform/window/Workspace.h"

namespace platform::window {

// A window that exists only as a place on an imaginary display.
class HeadlessBackend::Native final : public NativeWindow {
 public:
  Native(HeadlessBackend& backend, uint64_t serial, Point origin, Size pixels)
      : mBackend(backend), mSerial(serial), mFrame{origin, pixels} {}
  ~Native() override {
    std::lock_guard lock(mBackend.mMutex);
    std::erase_if(mBackend.mMade, [&](const Made& made) { return made.serial == mSerial; });
    std::erase_if(mBackend.mQueued, [&](const Queued& queued) { return queued.serial == mSerial; });
  }
  void SetContentPixels(Size pixels) override { mFrame.size = pixels; }
  Rect FrameInDisplay() const override { return mFrame; }
  void Present(const unsigned char*, int, int, int, Point) override {}
  void MakeKeyAndOrderFront() override {}
  NativeSurface Surface() const override { return {}; }
  void PassKeyOn(bool down, int keyCode) override {
    mBackend.Log(std::string(down ? "key-down " : "key-up ") + std::to_string(keyCode) + " passed on");
  }
  bool IsVisible() const override { return true; }
  bool BeginFileDrag(const std::string& uri, const std::string&, PixelRect) override {
    mBackend.Log("file-drag " + uri + " -> cannot start (no display)");
    return false;
  }

 private:
  HeadlessBackend& mBackend;
  const uint64_t mSerial;
  Rect mFrame;
};

namespace {

const char* Outcome(bool ok) {
  return ok ? "ok" : "failed";
}

}  // namespace

void HeadlessBackend::Inject(Window& window, const NativeInput& input) {
  using Kind = NativeInput::Kind;
  const bool moves = input.kind == Kind::kButtonPress || input.kind == Kind::kButtonRelease ||
                     input.kind == Kind::kMotion || input.kind == Kind::kWheel || input.kind == Kind::kEnter;
  const Rect frame = moves ? window.Frame() : Rect{};  // screen points, bottom-left origin
  uint64_t serial = 0;
  {
    std::lock_guard lock(mMutex);
    if (moves) {
      mPointer =
          Point{frame.origin.x * mScale + input.pixel.x, mDisplay.height - frame.MaxY() * mScale + input.pixel.y};
    }
    if (input.kind == Kind::kButtonPress) mButtonsHeld |= input.ButtonBit();
    if (input.kind == Kind::kButtonRelease) mButtonsHeld &= ~input.ButtonBit();
    auto made = std::find_if(mMade.begin(), mMade.end(), [&](const Made& m) { return m.window == &window; });
    if (made == mMade.end()) return;
    serial = made->serial;
    if (made->thread != std::this_thread::get_id()) {
      mQueued.push_back({serial, input});
      return;
    }
  }
  HandOver(serial, input);
}

Window* HeadlessBackend::Find(uint64_t serial) const {
  auto made = std::find_if(mMade.begin(), mMade.end(), [&](const Made& m) { return m.serial == serial; });
  return made != mMade.end() && made->thread == std::this_thread::get_id() ? made->window : nullptr;
}

void HeadlessBackend::HandOver(uint64_t serial, const NativeInput& input) {
  std::shared_ptr<std::recursive_mutex> eventLock;
  {
    std::lock_guard lock(mMutex);
    const Window* window = Find(serial);
    if (!window) return;
    eventLock = window->EventLock();
  }
  std::unique_lock<std::recursive_mutex> owner;
  if (eventLock) owner = std::unique_lock(*eventLock);
  Window* window = nullptr;
  {
    std::lock_guard lock(mMutex);
    window = Find(serial);
  }
  if (window) window->HandleInput(input);
}

void HeadlessBackend::Defer(std::function<void()> task) {
  std::lock_guard lock(mMutex);
  mDeferred.push_back({std::this_thread::get_id(), std::move(task)});
}

Point HeadlessBackend::PointerPixels() const {
  std::lock_guard lock(mMutex);
  return mPointer;
}

void HeadlessBackend::SetPointerPixels(Point pixels) {
  std::lock_guard lock(mMutex);
  mPointer = pixels;
}

bool HeadlessBackend::PointerButtonDown() const {
  std::lock_guard lock(mMutex);
  return mButtonsHeld != 0;
}

void HeadlessBackend::WarpPointer(Point displayPixels) {
  std::lock_guard lock(mMutex);
  mPointer = displayPixels;
}

void HeadlessBackend::SetBackingScaleFactor(double scale) {
  if (scale <= 0.0 || scale == mScale) return;
  mScale = scale;
  for (Window* window : Windows()) {
    window->SetContentSize(window->ContentSize());  // the same points in the new number of pixels
    window->BackingPropertiesChanged();
  }
}

void HeadlessBackend::SetAppearance(Appearance appearance) {
  if (appearance == mAppearance) return;
  mAppearance = appearance;
  for (Window* window : Windows()) window->AppearanceChanged();
}

std::unique_ptr<NativeWindow> HeadlessBackend::CreateNativeWindow(Window& window, void* parentHandle,
                                                                  Size contentPoints) {
  const Size pixels{std::ceil(contentPoints.width * mScale), std::ceil(contentPoints.height * mScale)};
  uint64_t serial = 0;
  Point origin;
  {
    std::lock_guard lock(mMutex);
    serial = mNextSerial++;
    mMade.push_back({serial, &window, std::this_thread::get_id()});
    // Windows are laid out down the display's diagonal so that screen conversions are not all trivial.
    origin = Point{100.0 + mNextWindowOffset, 50.0 + mNextWindowOffset};
    mNextWindowOffset += 20;
  }
  char line[96];
  std::snprintf(line, sizeof line, "window %s %.0fx%.0f", parentHandle ? "child" : "top-level", pixels.width,
                pixels.height);
  Log(line);
  return std::make_unique<Native>(*this, serial, origin, pixels);
}

bool HeadlessBackend::SetClipboard(const ClipboardContents& contents) {
  std::lock_guard lock(mMutex);
  mClipboard = contents;
  return true;
}

std::optional<std::string> HeadlessBackend::ClipboardText() {
  std::lock_guard lock(mMutex);
  if (!mClipboard.hasText) return std::nullopt;
  return mClipboard.text;
}

int HeadlessBackend::RunAlert(const AlertRequest& request) {
  std::string line = Describe(request) + " -> ";
  if (mScript.alertButtons.empty()) {
    Log(line + "cancelled (unscripted)");
    return kModalResponseCancel;
  }
  const int button = mScript.alertButtons.front();
  mScript.alertButtons.pop_front();
  if (button < 0 || button >= static_cast<int>(request.buttons.size())) {
    Log(line + "closed");
    return kModalResponseCancel;
  }
  Log(line + request.buttons[static_cast<size_t>(button)]);
  return kAlertFirstButtonReturn + button;
}

std::optional<std::string> HeadlessBackend::RunPanel(const PanelRequest& request) {
  std::string line = Describe(request) + " -> ";
  if (mScript.panelAnswers.empty()) {
    Log(line + "cancelled (unscripted)");
    return std::nullopt;
  }
  std::optional<std::string> answer = mScript.panelAnswers.front();
  mScript.panelAnswers.pop_front();
  Log(line + (answer ? *answer : std::string("cancelled")));
  return answer;
}

void HeadlessBackend::BeginPanel(const PanelRequest& request, PanelCompletion completion) {
  std::optional<std::string> answer = RunPanel(request);
  Defer([answer, completion = std::move(completion)] { completion(answer); });
}

MenuItem* HeadlessBackend::TrackMenu(Menu& menu, Point screenLocation) {
  char place[64];
  std::snprintf(place, sizeof place, " at %.0f,%.0f -> ", screenLocation.x, screenLocation.y);
  std::string line = "menu " + Describe(menu) + place;
  if (mScript.menuChoices.empty()) {
    Log(line + "none (unscripted)");
    return nullptr;
  }
  const std::vector<int> path = mScript.menuChoices.front();
  mScript.menuChoices.pop_front();
  MenuItem* item = nullptr;
  Menu* level = &menu;
  for (int index : path) {
    item = level ? level->ItemAtIndex(index) : nullptr;
    if (!item) break;
    level = item->Submenu();
  }
  Log(line + (item ? item->Title() : std::string("none")));
  return item;
}

void HeadlessBackend::BeginTextEntry(const std::string& text, Rect, TextEntryCompletion completion) {
  std::string line = "text-entry \"" + text + "\" -> ";
  if (mScript.textEntries.empty()) {
    Log(line + "cancelled (unscripted)");
    Defer([completion = std::move(completion)] { completion(TextEntryAnswer{}); });
    return;
  }
  TextEntryAnswer answer = mScript.textEntries.front();
  mScript.textEntries.pop_front();
  std::string typed;
  for (const std::string& piece : answer.typed) typed += "[" + piece + "]";
  Log(line + typed + (answer.commit ? " commit" : " cancel"));
  Defer([answer, completion = std::move(completion)] { completion(answer); });
}

void HeadlessBackend::BeginColorPick(Color initial, bool, ColorHandler handler) {
  std::string line = "color-panel " + Describe(initial) + " -> ";
  if (mScript.colorPicks.empty()) {
    Log(line + "nothing picked (unscripted)");
    return;
  }
  std::vector<Color> picks = mScript.colorPicks.front();
  mScript.colorPicks.pop_front();
  for (Color c : picks) line += Describe(c) + " ";
  Log(line);
  for (Color c : picks) Defer([handler, c] { handler(c); });
}

bool HeadlessBackend::OpenURL(const URL& url) {
  Log("open-url " + url.AbsoluteString() + " -> " + Outcome(mScript.openersSucceed));
  return mScript.openersSucceed;
}

bool HeadlessBackend::OpenPath(const std::string& path) {
  Log("open-path " + path + " -> " + Outcome(mScript.openersSucceed));
  return mScript.openersSucceed;
}

int HeadlessBackend::Pump() {
  // Only what was queued for this thread before this call runs now; answers queued by answers wait for the
  // next pump.
  std::vector<Queued> input;
  std::vector<Deferred> due;
  {
    std::lock_guard lock(mMutex);
    const std::thread::id self = std::this_thread::get_id();
    for (auto it = mQueued.begin(); it != mQueued.end();) {
      if (!Find(it->serial)) {
        ++it;
        continue;
      }
      input.push_back(std::move(*it));
      it = mQueued.erase(it);
    }
    auto mine =
        std::stable_partition(mDeferred.begin(), mDeferred.end(), [&](const Deferred& d) { return d.thread != self; });
    due.assign(std::make_move_iterator(mine), std::make_move_iterator(mDeferred.end()));
    mDeferred.erase(mine, mDeferred.end());
  }
  for (const Queued& queued : input) HandOver(queued.serial, queued.input);
  for (Deferred& deferred : due) deferred.task();
  return static_cast<int>(input.size() + due.size());
}

}  // namespace platform::window
