// The desktop's dialog programs that the X11 back end shows its dialogs with: zenity (GNOME) or kdialog
// (KDE). Builds each program's command line for a request and reads its answer back from the exit status
// and the standard output. Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/window/Backend.h"

namespace platform::window {

class MenuItem;

enum class DialogTool { kNone, kZenity, kKdialog };

// $KD_DIALOG_TOOL ("zenity", "kdialog" or "none") when set, else the first of zenity and kdialog installed.
DialogTool FindDialogTool();
const char* DialogToolName(DialogTool tool);

std::vector<std::string> AlertCommand(DialogTool tool, const AlertRequest& request);
// kAlertFirstButtonReturn + the button's index, or kModalResponseCancel when closed without a button.
int ReadAlertAnswer(DialogTool tool, const AlertRequest& request, int exitStatus, const std::string& output);

std::vector<std::string> PanelCommand(DialogTool tool, const PanelRequest& request);
// The chosen path; nullopt when cancelled.
std::optional<std::string> ReadPanelAnswer(int exitStatus, const std::string& output);

// The items a pop-up menu offers as list rows: every enabled item with an action, submenus walked depth
// first; each row's text carries its submenu titles ("Sub > Item").
struct MenuRows {
  std::vector<std::string> texts;
  std::vector<MenuItem*> items;
};
MenuRows ListMenuRows(Menu& menu);
std::vector<std::string> MenuCommand(DialogTool tool, const MenuRows& rows);
// The chosen row's item; null when none was chosen.
MenuItem* ReadMenuAnswer(const MenuRows& rows, int exitStatus, const std::string& output);

std::vector<std::string> TextEntryCommand(DialogTool tool, const std::string& text);
TextEntryAnswer ReadTextEntryAnswer(int exitStatus, const std::string& output);

std::vector<std::string> ColorCommand(DialogTool tool, Color initial, bool showsAlpha);
// Reads "rgb(r,g,b)", "rgba(r,g,b,a)" (components 0 to 255, alpha 0 to 1) or "#rrggbb".
std::optional<Color> ReadColorAnswer(int exitStatus, const std::string& output);

}  // namespace platform::window
