#include "platform/window/DialogTool.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/window/ChildProcess.h"
#include "platform/window/Menu.h"

namespace platform::window {

namespace {

std::string FirstLine(const std::string& output) {
  const size_t end = output.find('\n');
  return end == std::string::npos ? output : output.substr(0, end);
}

std::string Text(const AlertRequest& request) {
  if (request.informative.empty()) return request.message;
  if (request.message.empty()) return request.informative;
  return request.message + "\n\n" + request.informative;
}

int ToByte(double component) {
  return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255.0));
}

}  // namespace

DialogTool FindDialogTool() {
  if (const char* asked = std::getenv("KD_DIALOG_TOOL")) {
    if (std::strcmp(asked, "zenity") == 0) return DialogTool::kZenity;
    if (std::strcmp(asked, "kdialog") == 0) return DialogTool::kKdialog;
    return DialogTool::kNone;
  }
  if (ProgramInPath("zenity")) return DialogTool::kZenity;
  if (ProgramInPath("kdialog")) return DialogTool::kKdialog;
  return DialogTool::kNone;
}

const char* DialogToolName(DialogTool tool) {
  return tool == DialogTool::kZenity ? "zenity" : tool == DialogTool::kKdialog ? "kdialog" : "none";
}

std::vector<std::string> AlertCommand(DialogTool tool, const AlertRequest& request) {
  const std::vector<std::string>& b = request.buttons;
  if (tool == DialogTool::kZenity) {
    // zenity's question dialog: OK label exits 0, cancel label exits 1, extra buttons print their label.
    if (b.size() <= 1) {
      return {"zenity",
              "--info",
              "--no-markup",
              "--title=" + request.message,
              "--text=" + Text(request),
              "--ok-label=" + (b.empty() ? std::string("OK") : b[0])};
    }
    std::vector<std::string> cmd{"zenity",
                                 "--question",
                                 "--no-markup",
                                 "--title=" + request.message,
                                 "--text=" + Text(request),
                                 "--ok-label=" + b[0],
                                 "--cancel-label=" + b[1]};
    for (size_t i = 2; i < b.size(); ++i) cmd.push_back("--extra-button=" + b[i]);
    return cmd;
  }
  if (b.size() <= 1) return {"kdialog", "--title", request.message, "--msgbox", Text(request)};
  if (b.size() == 2) {
    return {"kdialog", "--title", request.message, "--yes-label", b[0], "--no-label", b[1], "--yesno", Text(request)};
  }
  return {"kdialog",        "--title", request.message, "--yes-label", b[0], "--no-label", b[1],
          "--cancel-label", b[2],      "--yesnocancel", Text(request)};
}

int ReadAlertAnswer(DialogTool tool, const AlertRequest& request, int exitStatus, const std::string& output) {
  const size_t count = request.buttons.size();
  if (exitStatus == 0) return kAlertFirstButtonReturn;
  if (tool == DialogTool::kZenity) {
    const std::string label = FirstLine(output);
    for (size_t i = 2; i < count && !label.empty(); ++i) {
      if (request.buttons[i] == label) return kAlertFirstButtonReturn + static_cast<int>(i);
    }
    return exitStatus == 1 && count >= 2 && label.empty() ? kAlertFirstButtonReturn + 1 : kModalResponseCancel;
  }
  if (exitStatus == 1 && count >= 2) return kAlertFirstButtonReturn + 1;
  if (exitStatus == 2 && count >= 3) return kAlertFirstButtonReturn + 2;
  return kModalResponseCancel;
}

std::vector<std::string> PanelCommand(DialogTool tool, const PanelRequest& request) {
  std::string start = request.directory.empty() ? std::string(".") : request.directory;
  if (start.back() != '/') start += '/';
  std::string patterns;
  for (const std::string& type : request.types) patterns += (patterns.empty() ? "*." : " *.") + type;
  using Kind = PanelRequest::Kind;
  if (tool == DialogTool::kZenity) {
    std::vector<std::string> cmd{"zenity", "--file-selection"};
    if (!request.title.empty()) cmd.push_back("--title=" + request.title);
    if (request.kind == Kind::kSaveFile) {
      cmd.insert(cmd.end(), {"--save", "--confirm-overwrite", "--filename=" + start + request.name});
    } else {
      cmd.push_back("--filename=" + start);
      if (request.kind == Kind::kChooseDirectory) cmd.push_back("--directory");
    }
    if (!patterns.empty() && request.kind != Kind::kChooseDirectory) cmd.push_back("--file-filter=" + patterns);
    return cmd;
  }
  std::vector<std::string> cmd{"kdialog"};
  if (!request.title.empty()) cmd.insert(cmd.end(), {"--title", request.title});
  if (request.kind == Kind::kChooseDirectory) {
    cmd.insert(cmd.end(), {"--getexistingdirectory", start});
    return cmd;
  }
  cmd.push_back(request.kind == Kind::kSaveFile ? "--getsavefilename" : "--getopenfilename");
  cmd.push_back(request.kind == Kind::kSaveFile ? start + request.name : start);
  if (!patterns.empty()) cmd.push_back(patterns);
  return cmd;
}

std::optional<std::string> ReadPanelAnswer(int exitStatus, const std::string& output) {
  const std::string path = FirstLine(output);
  if (exitStatus != 0 || path.empty()) return std::nullopt;
  return path;
}

namespace {
void AddRows(Menu& menu, const std::string& prefix, MenuRows& rows) {
  for (int i = 0; i < menu.NumberOfItems(); ++i) {
    MenuItem& item = *menu.ItemAtIndex(i);
    if (item.IsSeparatorItem() || !item.IsEnabled()) continue;
    const std::string text = prefix + item.Title();
    if (item.Submenu()) {
      AddRows(*item.Submenu(), text + " > ", rows);
    } else if (item.HasAction()) {
      rows.texts.push_back((item.State() == ControlState::kOn ? "\u2713 " : "") + text);
      rows.items.push_back(&item);
    }
  }
}
}  // namespace

MenuRows ListMenuRows(Menu& menu) {
  MenuRows rows;
  AddRows(menu, "", rows);
  return rows;
}

std::vector<std::string> MenuCommand(DialogTool tool, const MenuRows& rows) {
  std::vector<std::string> cmd;
  if (tool == DialogTool::kZenity) {
    // The first, hidden column carries the row number that comes back.
    cmd = {"zenity",        "--list",          "--hide-header",    "--column=row",
           "--column=item", "--hide-column=1", "--print-column=1", "--text="};
  } else {
    cmd = {"kdialog", "--menu", ""};
  }
  for (size_t i = 0; i < rows.texts.size(); ++i) {
    cmd.push_back(std::to_string(i));
    cmd.push_back(rows.texts[i]);
  }
  return cmd;
}

MenuItem* ReadMenuAnswer(const MenuRows& rows, int exitStatus, const std::string& output) {
  const std::string line = FirstLine(output);
  if (exitStatus != 0 || line.empty() || line.find_first_not_of("0123456789") != std::string::npos) return nullptr;
  const unsigned long row = std::strtoul(line.c_str(), nullptr, 10);
  return row < rows.items.size() ? rows.items[row] : nullptr;
}

std::vector<std::string> TextEntryCommand(DialogTool tool, const std::string& text) {
  if (tool == DialogTool::kZenity) return {"zenity", "--entry", "--text=", "--entry-text=" + text};
  return {"kdialog", "--inputbox", "", text};
}

TextEntryAnswer ReadTextEntryAnswer(int exitStatus, const std::string& output) {
  TextEntryAnswer answer;
  answer.replaceAll = true;
  answer.commit = exitStatus == 0;
  if (answer.commit) answer.typed.push_back(FirstLine(output));
  return answer;
}

std::vector<std::string> ColorCommand(DialogTool tool, Color initial, bool showsAlpha) {
  char text[64];
  if (tool == DialogTool::kZenity) {
    std::snprintf(text, sizeof text, "--color=rgba(%d,%d,%d,%.3f)", ToByte(initial.red), ToByte(initial.green),
                  ToByte(initial.blue), showsAlpha ? initial.alpha : 1.0);
    return {"zenity", "--color-selection", "--show-palette", text};
  }
  std::snprintf(text, sizeof text, "#%02x%02x%02x", ToByte(initial.red), ToByte(initial.green), ToByte(initial.blue));
  return {"kdialog", "--getcolor", "--default", text};
}

std::optional<Color> ReadColorAnswer(int exitStatus, const std::string& output) {
  if (exitStatus != 0) return std::nullopt;
  const std::string line = FirstLine(output);
  unsigned r = 0, g = 0, b = 0;
  double a = 1.0;
  if (std::sscanf(line.c_str(), "#%2x%2x%2x", &r, &g, &b) == 3 ||
      std::sscanf(line.c_str(), "rgba(%u,%u,%u,%lf)", &r, &g, &b, &a) == 4 ||
      std::sscanf(line.c_str(), "rgb(%u,%u,%u)", &r, &g, &b) == 3) {
    if (r > 255 || g > 255 || b > 255 || !(a >= 0.0 && a <= 1.0)) return std::nullopt;
    return Color{r / 255.0, g / 255.0, b / 255.0, a};
  }
  return std::nullopt;
}

}  // namespace platform::window
