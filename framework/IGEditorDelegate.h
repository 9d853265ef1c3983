// The editor delegate tied to one graphics object: creates the graphics on demand through the product's
// make-graphics function, opens and closes the editor window, keeps the editor's size and scale while no
// editor exists and stores them in the host's state, and routes values, messages and MIDI to controls by
// tag or by parameter. Everything here runs on the main thread.
#pragma once

#include <functional>
#include <memory>

#include "framework/IEditorDelegate.h"

namespace fx::gfx {

class IGraphics;

class IGEditorDelegate : public IEditorDelegate {
 public:
  using MakeGraphicsFunc = std::function<IGraphics*()>;
  using LayoutFunc = std::function<void(IGraphics* graphics)>;

  explicit IGEditorDelegate(int nParams);
  // Deletes graphics that are still open, then the parameters.
  ~IGEditorDelegate() override;

  // Creates the graphics when there are none (resized to the saved size and scale when all three are
  // non-zero) and answers the platform view the graphics open inside parent, or null.
  void* OpenWindow(void* parent) override;
  // Ignored while a close is running. OnUIClose, then the graphics' size and draw scale are kept, their
  // window closed and the graphics deleted.
  void CloseWindow() override;
  // Resizes the graphics to the host window's size in editor points, at scale 1.
  void OnParentWindowResize(int width, int height) override;
  // The key goes to the graphics at the pointer's position; false without graphics.
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;
  // The control with the tag (if any) takes the value as its entry 0.
  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  // The control with the tag (if any) gets the message.
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  // Every control that wants MIDI gets the message, then OnMidiMsgUI.
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  // Every value entry of every control bound to the parameter takes the value (a plain value is stepped,
  // clamped and normalized first); then OnParamChangeUI(paramIdx, kDelegate), also while closed. An index
  // outside the parameter list is ignored.
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;
  // Appends width and height (i32) and scale (f32), little-endian: of the open graphics, else the saved
  // ones. True when all three were appended.
  bool SerializeEditorState(IByteChunk& chunk) const override;
  // Reads the 12 bytes at startPos: startPos + 12, or -1 when they are not all there (what was read still
  // counts, the rest is 0). Open graphics are resized when all three are non-zero; without graphics the
  // values become the saved ones. A negative size or a scale that is not a positive number reads as 0.
  int UnserializeEditorState(const IByteChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  // The make-graphics function's new graphics (owned by the caller), null when none is set.
  virtual IGraphics* CreateGraphics();
  // Runs the layout function with the graphics when one is set.
  virtual void LayoutUI(IGraphics* graphics);

  // The open graphics, null while the editor is closed.
  IGraphics* GetUI() const { return mGraphics.get(); }
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

 private:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  std::unique_ptr<IGraphics> mGraphics;
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.f;
  bool mClosing = false;
};

}  // namespace fx::gfx
