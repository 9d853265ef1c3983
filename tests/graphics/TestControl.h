// A control for tests that writes its hook calls ("name:Hook") to a journal and draws one fill of its
// rectangle's corner, so frames can be read from the graphics log.
#pragma once

#include "graphics/IControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IGraphics.h"

#include <string>
#include <vector>

namespace fx::gfx::test {

class TestControl : public IControl {
 public:
  TestControl(std::vector<std::string>& journal, std::string name, const IRECT& bounds, int paramIdx = -1)
      : IControl(bounds, paramIdx), mJournal(journal), mName(std::move(name)) {}
  TestControl(std::vector<std::string>& journal, std::string name, const IRECT& bounds,
              std::initializer_list<int> params)
      : IControl(bounds, params), mJournal(journal), mName(std::move(name)) {}

  bool handlesKeys = false;
  int contextItems = 0;
  int lastContextSelection = -2;
  std::string lastTextEntry;

  void Draw(IGraphics&) override { Note("Draw"); }
  void OnInit() override { Note("OnInit"); }
  void OnResize() override { Note("OnResize"); }
  void OnRescale() override { Note("OnRescale"); }
  void OnAttached() override { Note("OnAttached"); }
  void OnMouseDown(float x, float y, const IMouseMod& mod) override {
    Note("OnMouseDown");
    IControl::OnMouseDown(x, y, mod);
  }
  void OnMouseUp(float, float, const IMouseMod&) override { Note("OnMouseUp"); }
  void OnMouseDrag(float x, float y, float, float, const IMouseMod&) override {
    Note("OnMouseDrag " + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
  }
  void OnMouseDblClick(float, float, const IMouseMod&) override { Note("OnMouseDblClick"); }
  void OnMouseWheel(float, float, const IMouseMod&, float) override { Note("OnMouseWheel"); }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override {
    Note("OnMouseOver");
    IControl::OnMouseOver(x, y, mod);
  }
  void OnMouseOut() override {
    if (GetMouseIsOver()) Note("OnMouseOut");
    IControl::OnMouseOut();
  }
  void OnTouchCancelled(float, float, const IMouseMod&) override { Note("OnTouchCancelled"); }
  bool OnKeyDown(float, float, const IKeyPress&) override {
    Note("OnKeyDown");
    return handlesKeys;
  }
  bool OnKeyUp(float, float, const IKeyPress&) override {
    Note("OnKeyUp");
    return handlesKeys;
  }
  void OnDrop(const char* str) override { Note(std::string("OnDrop ") + str); }
  void CreateContextMenu(IPopupMenu& menu) override {
    for (int i = 0; i < contextItems; ++i) menu.AddItem("item");
  }
  void OnContextSelection(int item) override { lastContextSelection = item; }
  void OnTextEntryCompletion(const char* str, int) override { lastTextEntry = str; }

  void Note(const std::string& what) { mJournal.push_back(mName + ":" + what); }

 private:
  std::vector<std::string>& mJournal;
  std::string mName;
};

// A corner resizer for tests that keeps the rectangle it is given and journals its hooks, presses and drawing
// ("name:Hook") instead of acting on them.
class TestCornerResizer : public ICornerResizerControl {
 public:
  TestCornerResizer(std::vector<std::string>& journal, std::string name, const IRECT& bounds)
      : ICornerResizerControl(bounds, bounds.W()), mJournal(journal), mName(std::move(name)) {
    SetTargetAndDrawRECTs(bounds);
  }

  void Draw(IGraphics&) override { Note("Draw"); }
  void OnInit() override { Note("OnInit"); }
  void OnResize() override { Note("OnResize"); }
  void OnRescale() override { Note("OnRescale"); }
  void OnMouseDown(float, float, const IMouseMod&) override { Note("OnMouseDown"); }

  void Note(const std::string& what) { mJournal.push_back(mName + ":" + what); }

 private:
  std::vector<std::string>& mJournal;
  std::string mName;
};

}  // namespace fx::gfx::test
