// One message waiting for the editor's message box: its text, its caption and a pending flag. The plug-in's
// idle work shows it on the editor's thread (OK button, no completion function) and clears the flag. Empty
// and not pending at construction; the product itself posts nothing into it. Plain values, without a lock:
// posting, taking and asking all belong to the editor's thread, the one whose idle work shows the message.
#pragma once

#include "framework/FwString.h"

class ICMessageBox {
 public:
  // The editor's thread. The message replaces one still waiting.
  void PostMessageBox(const char* text, const char* caption);
  // The editor's thread. The waiting message into text and caption, the flag cleared; false, with nothing
  // changed, when none waits.
  bool TakeMessageBox(fx::FwString& text, fx::FwString& caption);
  // The editor's thread.
  bool IsMessageBoxPending() const { return mMessageBoxPending; }

 private:
  bool mMessageBoxPending = false;
  fx::FwString mMessageBoxText;
  fx::FwString mMessageBoxCaption;
};
