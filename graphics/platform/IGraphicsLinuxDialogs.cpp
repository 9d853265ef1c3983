// The clipboard, message boxes, file, folder and colour prompts, opening URLs and revealing files.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/paths/Paths.h"
#include "platform/window/Dialogs.h"
#include "platform/window/Pasteboard.h"
#include "platform/window/Window.h"
#include "platform/window/Workspace.h"

namespace fx::gfx {

namespace {

namespace pw = platform::window;

// The buttons of each message-box type and the results of the first and second button and of any other answer
// (a third button, or the alert closed without one).
struct MessageBoxButtons {
  std::vector<const char*> titles;
  EMsgBoxResult first;
  EMsgBoxResult second;
  EMsgBoxResult other;
};

MessageBoxButtons ButtonsFor(EMsgBoxType type) {
  switch (type) {
    case kMB_OK:
      return {{"OK"}, kOK, kOK, kOK};
    case kMB_OKCANCEL:
      return {{"OK", "Cancel"}, kOK, kCANCEL, kCANCEL};
    case kMB_YESNOCANCEL:
      return {{"Yes", "No", "Cancel"}, kYES, kNO, kCANCEL};
    case kMB_YESNO:
      return {{"Yes", "No"}, kYES, kNO, kNO};
    case kMB_RETRYCANCEL:
      return {{"Retry", "Cancel"}, kRETRY, kCANCEL, kCANCEL};
    default:  // no button set of its own on this platform
      return {{}, kCANCEL, kCANCEL, kCANCEL};
  }
}

// "/a/b/c.txt" -> "/a/b/"; a file at the root gives "/".
std::string FolderOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return "/";
  return file.substr(0, slash) + "/";
}

// Where a folder prompt without a start opens: the user's desktop folder, the home folder when there is none.
std::string DefaultDirectory() {
  const std::string desktop = platform::paths::DesktopFolder();
  return platform::paths::FileExists(desktop.c_str()) ? desktop : platform::paths::HomeFolder();
}

std::vector<std::string> SplitTypes(const char* ext) {
  std::vector<std::string> types;
  std::string current;
  for (const char* c = ext ? ext : ""; *c != '\0'; ++c) {
    if (*c == ' ') {
      if (!current.empty()) types.push_back(current);
      current.clear();
    } else {
      current += *c;
    }
  }
  if (!current.empty()) types.push_back(current);
  return types;
}

}  // namespace

bool IGraphicsLinux::GetTextFromClipboard(FwString& text) {
  const std::optional<std::string> string = pw::Pasteboard::General().String();
  text.Set(string ? string->c_str() : "");
  return string.has_value();
}

bool IGraphicsLinux::SetTextInClipboard(const char* text) {
  pw::Pasteboard& pasteboard = pw::Pasteboard::General();
  pasteboard.ClearContents();
  return pasteboard.SetString(text ? text : "");
}

bool IGraphicsLinux::SetFilePathInClipboard(const char* path) {
  pw::Pasteboard& pasteboard = pw::Pasteboard::General();
  pasteboard.ClearContents();
  return pasteboard.WriteFileURLs({path ? path : ""});
}

bool IGraphicsLinux::InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds) {
  // The picture starts on the view rectangle of iconBounds, which the window takes in its own coordinates.
  pw::Rect frame;
  if (mView) {
    const pw::Rect inView = ViewRect(iconBounds);
    frame = pw::Rect{mView->ConvertPointToView(pw::Point{inView.MinX(), inView.MaxY()}, nullptr), inView.size};
  }
  const bool started = mWindow && path && *path && mWindow->DragFileOut(path, frame);
  ReleaseMouseCapture();
  return started;
}

EMsgBoxResult IGraphicsLinux::ShowMessageBox(const char* text, const char* caption, EMsgBoxType type,
                                             IMsgBoxCompletionHandlerFunc completion) {
  ReleaseMouseCapture();
  const MessageBoxButtons buttons = ButtonsFor(type);
  pw::Alert alert;
  alert.SetMessageText(caption ? caption : "");
  alert.SetInformativeText(text ? text : "");
  for (const char* title : buttons.titles) alert.AddButtonWithTitle(title);
  const int response = alert.RunModal();
  const EMsgBoxResult result = response == pw::kAlertFirstButtonReturn       ? buttons.first
                               : response == pw::kAlertFirstButtonReturn + 1 ? buttons.second
                                                                             : buttons.other;
  if (completion) completion(result);
  return result;
}

void IGraphicsLinux::PromptForFile(FwString& fileName, FwString& path, EFileAction action, const char* ext,
                                   IFileDialogCompletionHandlerFunc completion) {
  if (!mView) {
    fileName.Set("");
    return;
  }
  const std::string defaultName = fileName.Get();
  const std::string defaultDirectory = path.Get();
  fileName.Set("");

  std::shared_ptr<pw::SavePanel> panel;
  if (action == kFileSave) {
    panel = std::make_shared<pw::SavePanel>();
    panel->SetNameFieldStringValue(defaultName);
    panel->SetAllowsOtherFileTypes(false);
  } else {
    auto open = std::make_shared<pw::OpenPanel>();
    open->SetCanChooseFiles(true);
    open->SetCanChooseDirectories(false);
    open->SetResolvesAliases(true);
    panel = open;
  }
  panel->SetAllowedFileTypes(SplitTypes(ext));
  panel->SetDirectory(defaultDirectory);
  panel->SetFloatingPanel(true);

  if (completion) {
    panel->BeginSheetModalForWindow(mView->GetWindow(), [panel, completion](int response) {
      FwString chosenName, chosenPath;
      if (response == pw::kModalResponseOK) {
        chosenName.Set(panel->Filename().c_str());
        chosenPath.Set(FolderOf(panel->Filename()).c_str());
      }
      completion(chosenName, chosenPath);
    });
    return;
  }
  if (panel->RunModal() == pw::kModalResponseOK) {
    fileName.Set(panel->Filename().c_str());
    path.Set(FolderOf(panel->Filename()).c_str());
  }
}

void IGraphicsLinux::PromptForDirectory(FwString& path, IFileDialogCompletionHandlerFunc completion) {
  // Without a start the caller's path becomes the default folder, also when the panel is then cancelled.
  if (path.GetLength() == 0) path.Set(DefaultDirectory().c_str());
  auto panel = std::make_shared<pw::OpenPanel>();
  panel->SetTitle("Choose a Directory");
  panel->SetCanChooseFiles(false);
  panel->SetCanChooseDirectories(true);
  panel->SetResolvesAliases(true);
  panel->SetCanCreateDirectories(true);
  panel->SetFloatingPanel(true);
  panel->SetDirectory(path.Get());

  // Both roads: the chosen folder with a trailing "/", or "" when cancelled.
  const auto answer = [panel](int response, FwString& chosen) {
    chosen.Set(response == pw::kModalResponseOK ? (panel->Filename() + "/").c_str() : "");
  };
  if (completion) {
    pw::Window* window = mView ? mView->GetWindow() : nullptr;
    panel->BeginSheetModalForWindow(window, [answer, completion](int response) {
      FwString chosen;
      answer(response, chosen);
      completion(FwString(), chosen);
    });
    return;
  }
  answer(panel->RunModal(), path);
}

bool IGraphicsLinux::PromptForColor(IColor& color, const char*, IColorPickerHandlerFunc func) {
  return mView && mView->PromptForColor(color, std::move(func));
}

bool IGraphicsLinux::OpenURL(const char* url, const char*, const char*, const char*) {
  const std::string_view text = url ? url : "";
  const std::optional<pw::URL> target =
      text.find("http") != std::string_view::npos ? pw::URL::WithString(text) : pw::URL::FileURLWithPath(text);
  // A text that forms no URL has nothing to open: there is nothing to report.
  return !target || pw::Workspace::Shared().OpenURL(*target);
}

bool IGraphicsLinux::RevealPathInExplorerOrFinder(FwString& path, bool select) {
  const std::string file = path.Get();
  if (file.empty() || !pw::Workspace::FileExistsAtPath(file)) return false;
  if (!select) return pw::Workspace::Shared().OpenFile(file);
  const size_t slash = file.find_last_of('/');
  if (slash == std::string::npos) return false;
  const std::string parent = slash == 0 ? "/" : file.substr(0, slash);
  // The file manager shows the parent folder; opening it a second time first would only show it twice.
  return pw::Workspace::Shared().SelectFile(file, parent);
}

}  // namespace fx::gfx
