// A switch of a fixed number of states stepped by clicks (two states toggle), with a disabled flag per
// state. Draws nothing itself. Main thread only.
#pragma once

#include "framework/FwHeapBuf.h"
#include "graphics/IControl.h"

namespace fx::gfx {

class ISwitchControlBase : public IControl {
 public:
  ISwitchControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr, int numStates = 2);

  // A bound switch takes one state per whole unit of its parameter's range, at most kMaxNumStates.
  void OnInit() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;

  // The most states a switch keeps: a parameter with a vast range would otherwise need a flag per unit.
  static constexpr int kMaxNumStates = 1 << 16;

  int GetNumStates() const { return mNumStates; }
  // One to kMaxNumStates states; the per-state flags follow the count.
  void SetNumStates(int numStates);
  void SetAllStatesDisabled(bool disabled);
  void SetStateDisabled(int state, bool disabled);
  // False for a state out of range.
  bool GetStateDisabled(int state) const;
  bool GetMouseDown() const { return mMouseDown; }

 protected:
  int mNumStates = 2;
  // One byte per state, non-zero when the state is disabled.
  FwHeapBuf mDisabledStates;
  bool mMouseDown = false;
};

}  // namespace fx::gfx
