#include "platform/window/Dialogs.h"

#include "platform/window/Backend.h"
#include "platform/window/Workspace.h"

#include <atomic>

namespace platform::window {

int Alert::RunModal() {
  return CurrentBackend().RunAlert(AlertRequest{mMessage, mInformative, mButtons});
}

SavePanel::SavePanel() : mState(std::make_shared<State>()) {}

PanelRequest SavePanel::Request() const {
  PanelRequest request;
  request.kind = mState->kind == Kind::kSave            ? PanelRequest::Kind::kSaveFile
                 : mState->kind == Kind::kOpenDirectory ? PanelRequest::Kind::kChooseDirectory
                                                        : PanelRequest::Kind::kOpenFile;
  request.title = mState->title;
  request.directory = mState->directory;
  request.name = mState->name;
  request.types = mState->types;
  return request;
}

void SavePanel::SetDirectory(const std::string& path) {
  mState->directory = ExpandTilde(path);
}

int SavePanel::RunModal() {
  mState->chosen.clear();
  std::optional<std::string> path = CurrentBackend().RunPanel(Request());
  if (!path || path->empty()) return kModalResponseCancel;
  mState->chosen = *path;
  return kModalResponseOK;
}

void SavePanel::BeginSheetModalForWindow(Window*, Completion completion) {
  mState->chosen.clear();
  std::shared_ptr<State> state = mState;
  CurrentBackend().BeginPanel(Request(), [state, completion = std::move(completion)](std::optional<std::string> path) {
    const bool ok = path && !path->empty();
    state->chosen = ok ? *path : std::string();
    if (completion) completion(ok ? kModalResponseOK : kModalResponseCancel);
  });
}

OpenPanel::OpenPanel() {
  mState->kind = Kind::kOpenFile;
}

void OpenPanel::SetCanChooseFiles(bool can) {
  mState->chooseFiles = can;
  UpdateKind();
}

void OpenPanel::SetCanChooseDirectories(bool can) {
  mState->chooseDirectories = can;
  UpdateKind();
}

// Desktop file dialogs choose either files or one folder; a panel for both chooses files.
void OpenPanel::UpdateKind() {
  mState->kind = mState->chooseDirectories && !mState->chooseFiles ? Kind::kOpenDirectory : Kind::kOpenFile;
}

namespace {
std::atomic<bool> sSharedColorPanelMade{false};
}

ColorPanel& ColorPanel::Shared() {
  static ColorPanel panel;
  sSharedColorPanelMade.store(true, std::memory_order_release);
  return panel;
}

bool ColorPanel::SharedExists() {
  return sSharedColorPanelMade.load(std::memory_order_acquire);
}

void ColorPanel::SetShowsAlpha(bool shows) {
  const std::lock_guard lock(mMutex);
  mShowsAlpha = shows;
}

void ColorPanel::SetAction(Action action) {
  Action old;
  const std::lock_guard lock(mMutex);
  old.swap(mAction);  // destroyed after the lock is let go: it may own anything
  mAction = std::move(action);
}

void ColorPanel::SetColor(Color color) {
  const std::lock_guard lock(mMutex);
  mColor = color;
}

Color ColorPanel::GetColor() const {
  const std::lock_guard lock(mMutex);
  return mColor;
}

bool ColorPanel::IsVisible() const {
  const std::lock_guard lock(mMutex);
  return mVisible;
}

void ColorPanel::OrderFront() {
  Color initial;
  bool showsAlpha = false;
  int session = 0;
  {
    const std::lock_guard lock(mMutex);
    mVisible = true;
    session = ++mSession;
    initial = mColor;
    showsAlpha = mShowsAlpha;
  }
  CurrentBackend().BeginColorPick(initial, showsAlpha, [this, session](Color color) {
    Action action;
    {
      const std::lock_guard lock(mMutex);
      if (session != mSession || !mVisible) return;  // closed or shown again since
      mColor = color;
      action = mAction;
    }
    if (action) action(*this);
  });
}

void ColorPanel::Close() {
  const std::lock_guard lock(mMutex);
  mVisible = false;
  ++mSession;
}

}  // namespace platform::window
