// Modal and sheet dialogs: alerts with up to three buttons, open and save panels, and the shared colour
// panel. Modal runs block the calling (main) thread until the user answers, as a modal dialog does;
// sheets and the colour panel return at once and answer later from the back end's pump.
// Every operation: the main thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/Color.h"

namespace platform::window {

class Window;
struct PanelRequest;

// Answers of modal runs.
inline constexpr int kModalResponseCancel = 0;
inline constexpr int kModalResponseOK = 1;
// An alert answers kAlertFirstButtonReturn + the index of the button pressed, or kModalResponseCancel
// when it was closed without a button.
inline constexpr int kAlertFirstButtonReturn = 1000;

class Alert {
 public:
  void SetMessageText(std::string text) { mMessage = std::move(text); }
  void SetInformativeText(std::string text) { mInformative = std::move(text); }
  // Buttons from right to left as added; the first is the default one.
  void AddButtonWithTitle(std::string title) { mButtons.push_back(std::move(title)); }
  const std::vector<std::string>& Buttons() const { return mButtons; }
  // Blocks until the user answers.
  int RunModal();

 private:
  std::string mMessage;
  std::string mInformative;
  std::vector<std::string> mButtons;
};

// A save panel; OpenPanel adds what choosing existing files and folders needs.
class SavePanel {
 public:
  using Completion = std::function<void(int response)>;

  SavePanel();
  virtual ~SavePanel() = default;

  void SetTitle(std::string title) { mState->title = std::move(title); }
  // File name extensions without the dot; empty allows every type.
  void SetAllowedFileTypes(std::vector<std::string> types) { mState->types = std::move(types); }
  // The folder the panel starts in ("~" expanded).
  void SetDirectory(const std::string& path);
  const std::string& Directory() const { return mState->directory; }
  void SetNameFieldStringValue(std::string name) { mState->name = std::move(name); }
  void SetAllowsOtherFileTypes(bool allows) { mState->otherTypes = allows; }
  void SetCanCreateDirectories(bool can) { mState->createDirectories = can; }
  void SetFloatingPanel(bool floating) { mState->floating = floating; }
  // The chosen path after an OK answer; "" before or after a cancel.
  const std::string& Filename() const { return mState->chosen; }

  // Blocks until the user answers; kModalResponseOK or kModalResponseCancel.
  int RunModal();
  // Returns at once; completion gets the answer from a later pump (also when the panel object is gone).
  void BeginSheetModalForWindow(Window* window, Completion completion);

 protected:
  enum class Kind { kSave, kOpenFile, kOpenDirectory };
  struct State {
    Kind kind = Kind::kSave;
    std::string title;
    std::vector<std::string> types;
    std::string directory;
    std::string name;
    bool otherTypes = true;
    bool createDirectories = true;
    bool floating = false;
    bool chooseFiles = true;
    bool chooseDirectories = false;
    bool resolvesAliases = true;
    std::string chosen;
  };
  PanelRequest Request() const;
  std::shared_ptr<State> mState;
};

class OpenPanel : public SavePanel {
 public:
  OpenPanel();
  // Choosing folders without files makes a folder prompt; files are the default.
  void SetCanChooseFiles(bool can);
  void SetCanChooseDirectories(bool can);
  // Links are followed to what they name (always so on Linux; the flag is kept).
  void SetResolvesAliases(bool resolves) { mState->resolvesAliases = resolves; }

 private:
  void UpdateKind();
};

// The one colour panel of the process. The action is called with every colour the user picks.
class ColorPanel {
 public:
  using Action = std::function<void(const ColorPanel&)>;

  // One panel for the process, which editors on different threads share: every operation may come from any
  // thread. Its state is kept under a lock that is never held while the back end or the action runs.
  static ColorPanel& Shared();
  static bool SharedExists();

  void SetShowsAlpha(bool shows);
  void SetAction(Action action);
  void SetColor(Color color);
  Color GetColor() const;
  // Shows the panel; returns at once; picks arrive from later pumps.
  void OrderFront();
  // Hides the panel; picks still pending are dropped.
  void Close();
  bool IsVisible() const;

 private:
  ColorPanel() = default;
  mutable std::mutex mMutex;
  bool mShowsAlpha = false;
  bool mVisible = false;
  int mSession = 0;
  Color mColor;
  Action mAction;
};

}  // namespace platform::window
