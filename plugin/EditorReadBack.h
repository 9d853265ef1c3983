// What the plug-in reads back from two of its editor's controls when their commands arrive: the preset
// bar's chosen file (load and save commands) and the plug-in menu's chosen "Fixed GUI scale" entry. The
// editor's controls implement these; the plug-in finds them by control tag and reaches them only through
// these interfaces, so the plug-in needs nothing of the editor. Main thread only.
#pragma once

namespace kd {

class IPresetPathSource {
 public:
  virtual ~IPresetPathSource() = default;
  // The file the last open or save dialog returned (or the file dropped on the bar); "" when none.
  virtual const char* GetChosenPresetPath() const = 0;
};

class IScaleChoiceSource {
 public:
  virtual ~IScaleChoiceSource() = default;
  // The chosen "Fixed GUI scale" entry: 0 for 100 % up to 8 for 300 %; -1 before any choice.
  virtual int GetChosenRadioIndex() const = 0;
};

}  // namespace kd
