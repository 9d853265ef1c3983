#include "graphics/ISwitchControlBase.h"

#include "framework/IParam.h"

#include <algorithm>
#include <cstring>

namespace fx::gfx {

namespace {

// 1 plus one unit in the last place: a sum that lands on 1 through rounding still counts as 1.
constexpr double kWrapThreshold = 1.0000000000000002;

}  // namespace

ISwitchControlBase::ISwitchControlBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc, int numStates)
    : IControl(bounds, paramIdx, std::move(actionFunc)) {
  SetNumStates(numStates);
  mDblAsSingleClick = true;
}

void ISwitchControlBase::SetNumStates(int numStates) {
  mNumStates = std::clamp(numStates, 1, kMaxNumStates);
  // States added are enabled. Should the buffer not grow, the states past it read as enabled and ignore changes.
  const int before = mDisabledStates.GetSize();
  auto* flags = static_cast<uint8_t*>(mDisabledStates.Resize(mNumStates, false));
  if (flags && mNumStates > before) std::memset(flags + before, 0, static_cast<std::size_t>(mNumStates - before));
}

void ISwitchControlBase::OnInit() {
  const IParam* param = GetParam(0);
  if (!param) return;
  // Bounded while still a double: a range beyond int's reach must not overflow the cast. NaN counts as 0.
  const double range = param->GetMax() - param->GetMin();
  const double units = range > 0.0 ? std::min(range, static_cast<double>(kMaxNumStates)) : 0.0;
  SetNumStates(static_cast<int>(units) + 1);
}

// With one state there is nowhere to step to: the value stays at 0.
void ISwitchControlBase::OnMouseDown(float, float, const IMouseMod&) {
  double value = 0.0;
  if (mNumStates == 2) {
    value = GetValue() == 0.0 ? 1.0 : 0.0;
  } else if (mNumStates > 2) {
    value = GetValue() + 1.0 / (mNumStates - 1);
    if (value > kWrapThreshold) value = 0.0;
  }
  SetValue(value);
  mMouseDown = true;
  SetDirty(true);
}

void ISwitchControlBase::OnMouseUp(float, float, const IMouseMod&) {
  mMouseDown = false;
  SetDirty(false);
}

void ISwitchControlBase::SetAllStatesDisabled(bool disabled) {
  for (int i = 0; i < mNumStates; ++i) {
    if (i < mDisabledStates.GetSize()) static_cast<uint8_t*>(mDisabledStates.Get())[i] = disabled ? 1 : 0;
    SetDirty(false);
  }
  SetDirty(false);
}

void ISwitchControlBase::SetStateDisabled(int state, bool disabled) {
  if (state >= 0 && state < mNumStates && state < mDisabledStates.GetSize())
    static_cast<uint8_t*>(mDisabledStates.Get())[state] = disabled ? 1 : 0;
  SetDirty(false);
}

bool ISwitchControlBase::GetStateDisabled(int state) const {
  return state >= 0 && state < mNumStates && state < mDisabledStates.GetSize() &&
         static_cast<const uint8_t*>(mDisabledStates.Get())[state] != 0;
}

}  // namespace fx::gfx
