// Optional input services: letter keys of the computer keyboard as MIDI notes, and the routing of
// recognised gestures to controls or to handlers registered for screen regions.
#include "graphics/IGraphics.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace fx::gfx {

namespace {

constexpr int kNumNotes = 128;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kNoteOff = 0x80;

// One keyboard for the whole process, as every editor shares the computer's keys. Editors on different threads
// reach it under its lock, which is never held while a note is sent.
struct QwertyKeyboardState {
  std::mutex mutex;
  int baseNote = 48;
  bool held[kNumNotes] = {};
};

QwertyKeyboardState& KeyboardState() {
  static QwertyKeyboardState sState;
  return sState;
}

// Semitones above the base note for the letters A to Z; -1 for keys that play nothing.
int NoteOffsetOfLetter(int vk) {
  static constexpr int kOffsets[26] = {
      0,  -1, -1, 4,  3,  5, 7, 9,  -1, 11, 12, 14, -1,  // A..M
      -1, 13, -1, -1, -1, 2, 6, 10, -1, 1,  -1, 8,  -1   // N..Z
  };
  if (vk < 'A' || vk > 'Z') return -1;
  return kOffsets[vk - 'A'];
}

}  // namespace

void IGraphics::SetQwertyMidiKeyHandlerFunc(IMidiFunc func) {
  mKeyHandlerFunc = [this, func](const IKeyPress& key, bool isUp) -> bool {
    QwertyKeyboardState& kb = KeyboardState();
    const auto send = [&](uint8_t status, int note, uint8_t velocity) {
      const IMidiMsg msg(0, status, static_cast<uint8_t>(note), velocity);
      mDelegate->SendMidiMsgFromUI(msg);
      if (func) func(msg);
    };

    if (key.VK == 'Z' || key.VK == 'X') {
      if (isUp) return true;
      // Every sounding note stops and is forgotten, so its key can play again at the new octave.
      bool stopped[kNumNotes] = {};
      {
        const std::lock_guard lock(kb.mutex);
        kb.baseNote = key.VK == 'Z' ? std::min(std::max(kb.baseNote, 36), 108) - 12
                                    : std::min(std::max(kb.baseNote, 12), 84) + 12;
        std::swap(stopped, kb.held);
      }
      for (int note = 0; note < kNumNotes; ++note)
        if (stopped[note]) send(kNoteOff, note, 0);
      return true;
    }

    const int offset = NoteOffsetOfLetter(key.VK);
    if (offset < 0) return false;  // not ours: the host keeps its shortcut
    int note = 0;
    bool changed = false;
    {
      const std::lock_guard lock(kb.mutex);
      note = kb.baseNote + offset;
      changed = kb.held[note] == isUp;
      kb.held[note] = !isUp;
    }
    if (changed) send(isUp ? kNoteOff : kNoteOn, note, isUp ? 0 : 127);
    return true;
  };
}

void IGraphics::AttachGestureRecognizer(EGestureType type) {
  if (std::find(mRegisteredGestureRecognizers.begin(), mRegisteredGestureRecognizers.end(), type) ==
      mRegisteredGestureRecognizers.end())
    mRegisteredGestureRecognizers.push_back(type);
}

void IGraphics::AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, IGestureFunction func) {
  AttachGestureRecognizer(type);
  mGestureRegions.Add(bounds);
  mGestureRegionFuncs[mGestureRegions.Size() - 1] = std::move(func);
}

void IGraphics::ClearGestureRegions() {
  mGestureRegions.Clear();
  mGestureRegionFuncs.clear();
}

bool IGraphics::RespondsToGesture(float x, float y) {
  const IControl* control = GetMouseControl(x, y, false);
  if (control && control->GetWantsGestures()) return true;
  return mGestureRegions.Find(x, y) >= 0;
}

void IGraphics::OnGestureRecognized(const IGestureInfo& info) {
  ControlUse use(*this);
  IControl* control = GetMouseControl(info.x, info.y, false);
  if (control && control->GetWantsGestures()) {
    control->OnGesture(info);
    return;
  }
  const int region = mGestureRegions.Find(info.x, info.y);
  const auto handler = mGestureRegionFuncs.find(region);
  if (handler != mGestureRegionFuncs.end() && handler->second) handler->second(nullptr, info);
}

}  // namespace fx::gfx
