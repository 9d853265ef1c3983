// The native one-line field that edits a value in place: the field colours its caret like its text, the
// cell centres the text vertically (and opens the field editor exactly over it), and the formatter limits
// what may be typed: a set of characters, a length and a value.
// Main thread only.
#pragma once

#include <any>
#include <optional>
#include <string>

#include "platform/window/TextField.h"

namespace fx::gfx {

class IGraphicsTextField : public platform::window::TextField {
 public:
  using TextField::TextField;
  // Starts editing as the field does; the caret then takes the text colour. False when editing cannot start.
  bool BecomeFirstResponder() override;
};

// Installed for vertically centred text only.
class IGraphicsTextFieldCell : public platform::window::TextFieldCell {
 public:
  // Outside editing: 3 points in from the left and right, and the text's height centred in bounds. While
  // the field editor opens, the rect is left as it is.
  platform::window::Rect DrawingRectForBounds(platform::window::Rect bounds) override;
  // Open the field editor over the centred text rect of frame.
  void EditWithFrame(platform::window::Rect frame) override;
  void SelectWithFrame(platform::window::Rect frame, int start, int length) override;

 private:
  bool mIsEditingOrSelecting = false;
};

class IGraphicsFormatter : public platform::window::Formatter {
 public:
  // The characters a text may hold; nullopt (the default) accepts every character.
  void SetAcceptableCharacterSet(std::optional<std::u32string> characters) {
    filterCharacterSet = std::move(characters);
  }
  // Characters at most; 0 means no limit.
  void SetMaximumLength(int length) { maxLength = length; }
  // The largest integer value the text may read as; 0 means no limit.
  void SetMaximumValue(int value) { maxValue = value; }

  // Judges the whole proposed text: every character in the set, no longer than the maximum length, and
  // (with a maximum value) its leading integer not above it. Text that is not valid UTF-8 is refused.
  bool IsPartialStringValid(const std::string& partial) override;
  // The object itself when it holds a string; null otherwise.
  static const std::string* StringForObjectValue(const std::any& object);
  // Stores a copy of string into object when both are given; true in every case.
  static bool GetObjectValue(std::any* object, const std::string* string);

 private:
  std::optional<std::u32string> filterCharacterSet;
  int maxLength = 0;
  int maxValue = 0;
};

}  // namespace fx::gfx
