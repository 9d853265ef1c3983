// The bridge between a plug-in and its editor: owns the parameter list and declares the operations through
// which values, MIDI and messages travel between the plug-in side and the user interface. The graphics
// half (fx::gfx::IGEditorDelegate) ties it to one editor view, the graphics; the plug-in base derives from that.
//
// Threads: everything here runs on the main thread unless its comment says otherwise; values reach the
// editor from the audio side only through the API base's queues and its 20 ms timer.
#pragma once

#include "framework/FwPtrList.h"
#include "framework/IByteChunk.h"
#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "framework/ParamEnums.h"

namespace fx {

class IEditorDelegate {
 public:
  static constexpr int kDefaultMinEditorSize = 10;
  static constexpr int kDefaultMaxEditorSize = 100000;

  // Main thread; allocates nParams default parameters.
  explicit IEditorDelegate(int nParams);
  // Main thread. Deletes every parameter.
  virtual ~IEditorDelegate();
  IEditorDelegate(const IEditorDelegate&) = delete;
  IEditorDelegate& operator=(const IEditorDelegate&) = delete;

  // ---- Editor life (main thread) ----

  // Answers the platform view made inside parent, or null. Default: OnUIOpen, null.
  virtual void* OpenWindow(void* parent);
  // Default: OnUIClose.
  virtual void CloseWindow();
  // The host resized the window that holds the editor. Default: nothing.
  virtual void OnParentWindowResize(int width, int height);

  // ---- Hooks of the plug-in ----

  // Main thread, for each value a preset or state being loaded holds, with the document's version text ("" when
  // it has none) and the plug-in's own ("v1.0.11"). Default: the value unchanged.
  virtual double ConvertPresetParamValue(const char* fileVersion, const char* ownVersion, int paramIdx, double value);
  // Main thread, once the editor's controls exist. Default: every parameter's normalized value to the
  // editor (SendParameterValueFromDelegate).
  virtual void OnUIOpen();
  // Main thread, before the editor's controls go. Default: nothing.
  virtual void OnUIClose();
  // The thread that changed the parameter (a host thread for automation, the main thread for the editor
  // and for state); must not block. Default: the one-argument form.
  virtual void OnParamChange(int paramIdx, EParamSource source, int sampleOffset = -1);
  // As above. Default: nothing.
  virtual void OnParamChange(int paramIdx);
  // Main thread, after a change reached the editor. Default: nothing.
  virtual void OnParamChangeUI(int paramIdx, EParamSource source = kUI);
  // The thread that reset the parameters. Default: OnParamChange(i, source, -1), then OnParamChangeUI(i,
  // source), for every parameter in order.
  virtual void OnParamReset(EParamSource source);
  // Main thread. Defaults: nothing.
  virtual void OnMidiMsgUI(const IMidiMsg& msg);
  virtual void OnSysexMsgUI(const ISysEx& msg);
  // Main thread. A message from the editor or the plug-in; true when it was handled. Default: false.
  virtual bool OnMessage(int msgTag, int ctrlTag, int dataSize, const void* data);
  // Main thread, after state was loaded. Default: as OnUIOpen.
  virtual void OnRestoreState();
  // Main thread. True when the editor used the key. Defaults: false.
  virtual bool OnKeyDown(const IKeyPress& key);
  virtual bool OnKeyUp(const IKeyPress& key);

  // ---- Plug-in to editor (main thread) ----

  // Defaults: nothing.
  virtual void SendControlValueFromDelegate(int ctrlTag, double normalizedValue);
  // Default: OnMessage(msgTag, ctrlTag, dataSize, data), and its answer.
  virtual bool SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data);
  // Default: OnMessage(msgTag, -1, dataSize, data).
  virtual void SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* data);
  // Default: OnMidiMsgUI.
  virtual void SendMidiMsgFromDelegate(const IMidiMsg& msg);
  // Default: OnSysexMsgUI.
  virtual void SendSysexMsgFromDelegate(const ISysEx& msg);
  // A parameter's value for the editor. Default: OnParamChangeUI(paramIdx, kDelegate).
  virtual void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized);

  // ---- Editor to plug-in and host (main thread) ----

  // Default: nothing.
  virtual void InformHostOfAllParams();
  // The host's begin of an edit gesture on the parameter.
  virtual void BeginInformHostOfParamChangeFromUI(int paramIdx) = 0;
  // Default: the parameter takes FromNormalized(normalizedValue), then OnParamChangeUI(paramIdx, kUI).
  virtual void SendParameterValueFromUI(int paramIdx, double normalizedValue);
  // The host's end of an edit gesture on the parameter.
  virtual void EndInformHostOfParamChangeFromUI(int paramIdx) = 0;
  // True when the editor may take the size. Default: false.
  virtual bool EditorResizeFromUI(int width, int height, bool needsPlatformResize);
  // Defaults: nothing.
  virtual void SendMidiMsgFromUI(const IMidiMsg& msg);
  virtual void SendSysexMsgFromUI(const ISysEx& msg);
  virtual void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0, const void* data = nullptr);
  virtual void DeferMidiMsg(const IMidiMsg& msg);
  virtual void DeferSysexMsg(const ISysEx& msg);
  // True when the size lies within the limits; otherwise clamps both into their ranges and answers false.
  virtual bool ConstrainEditorResize(int& width, int& height) const;

  // ---- Editor state in the host's chunk (main thread) ----

  // Default: writes nothing, true.
  virtual bool SerializeEditorState(IByteChunk& chunk) const;
  // Default: startPos.
  virtual int UnserializeEditorState(const IByteChunk& chunk, int startPos);
  // The screen's pixels per point changed. Default: nothing.
  virtual void SetScreenScale(float scale);

  // ---- Parameters (any thread once built; the list never changes after construction) ----

  // Null when idx is out of range.
  IParam* GetParam(int idx) const { return mParams.Get(idx); }
  int NParams() const { return mParams.GetSize(); }

  // Main thread, at construction. Each pair is stored ordered, the smaller value as minimum.
  void SetEditorSizeLimits(int minWidth, int maxWidth, int minHeight, int maxHeight);
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }

  // Any thread. A plain value as hosts and controls take it: stepped, clamped, normalized by the shape,
  // clamped to 0..1.
  static double ConstrainedNormalized(const IParam& param, double value);

 protected:
  // Every parameter's normalized value to the editor, as OnUIOpen does by default.
  void SendAllParametersToEditor();

 private:
  FwPtrList<IParam> mParams;
  int mMinWidth = kDefaultMinEditorSize;
  int mMaxWidth = kDefaultMaxEditorSize;
  int mMinHeight = kDefaultMinEditorSize;
  int mMaxHeight = kDefaultMaxEditorSize;
};

}  // namespace fx
