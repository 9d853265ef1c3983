// What the editor's layout leaves in the plug-in: the controls the plug-in's editor refresh moves, hides
// and enables, and the three texts the plug-in menu's rows point to. The plug-in holds the controls as plain IControl
// (it only moves, hides, enables and redraws them); what it writes into particular views goes through the interfaces of
// plugin/EditorViewSetup.h, so it needs nothing of the editor. The pointers are valid while the editor's graphics hold
// the controls: the layout sets `built` last, the plug-in forgets the controls when the editor closes, and before each
// refresh it forgets any that was removed from the editor meanwhile. Main thread only.
#pragma once

#include <array>
#include <functional>

#include "framework/FwString.h"
#include "plugin/KelvadruneIds.h"

namespace fx::gfx {
class IControl;
}

struct KelvadruneEditorLinks {
  // The longest of the three texts, in characters.
  static constexpr int kMaxTextLength = 4096;
  enum EFaderLabel { kLabelMaster = 0, kLabelLeft, kLabelMid, kLabelRight, kLabelSide, kNumFaderLabels };

  fx::gfx::IControl* gradientPanel = nullptr;
  // Per gain (EGain): the modulation views, the scales behind the faders, the faders, the switches.
  std::array<fx::gfx::IControl*, kNumGains> modViews{};
  std::array<fx::gfx::IControl*, kNumGains> faderScales{};
  std::array<fx::gfx::IControl*, kNumGains> faders{};
  std::array<fx::gfx::IControl*, kNumGains> lockSwitches{};
  std::array<fx::gfx::IControl*, kNumGains> minusInfSwitches{};
  std::array<fx::gfx::IControl*, kNumFaderLabels> faderLabels{};
  fx::gfx::IControl* linkSwitch = nullptr;
  fx::gfx::IControl* stereoMSSwitch = nullptr;
  fx::FwString changeLogURL;
  fx::FwString manualPath;
  fx::FwString dataFolderPath;
  bool built = false;

  // Called when the editor closes: its controls are about to be deleted. The texts stay.
  void ForgetControls() {
    gradientPanel = nullptr;
    modViews = {};
    faderScales = {};
    faders = {};
    lockSwitches = {};
    minusInfSwitches = {};
    faderLabels = {};
    linkSwitch = nullptr;
    stereoMSSwitch = nullptr;
    built = false;
  }

  // Forgets every stored control for which held answers false (one the editor no longer holds).
  void ForgetControlsNotHeld(const std::function<bool(const fx::gfx::IControl*)>& held) {
    const auto check = [&](fx::gfx::IControl*& control) {
      if (control && !held(control)) control = nullptr;
    };
    check(gradientPanel);
    for (auto* group : {&modViews, &faderScales, &faders, &lockSwitches, &minusInfSwitches})
      for (fx::gfx::IControl*& control : *group) check(control);
    for (fx::gfx::IControl*& control : faderLabels) check(control);
    check(linkSwitch);
    check(stereoMSSwitch);
  }
};
