// Translation of the VST 2 editor key codes into the editor's Windows-style virtual key codes.
#pragma once

namespace fx {

// Any thread; never blocks. vstKey is the host's virtual key (0 when the key only has a character),
// character the typed character. Key 0 and the equals key (57) take the character: digits and capital
// letters as they are, small letters capitalised, anything else 0. Keys outside 0..57 give 0.
int VST2KeyToVirtualKey(int vstKey, int character);

}  // namespace fx
