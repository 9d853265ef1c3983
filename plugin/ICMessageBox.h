// One message waiting for the editor's message box: its text, its caption and a pending flag. The plug-in's
// idle work shows it on the editor's thread (OK button, no completion function) and clears the flag. Empty
// and not pending at construction; the product itself posts nothing into it.
#pragma once

#include <mutex>

#include "framework/FwString.h"

class ICMessageBox {
 public:
  // Any thread. The message replaces one still waiting; blocks only while another post or a take copies.
  void PostMessageBox(const char* text, const char* caption);
  // The editor's thread; never blocks. The waiting message into text and caption, the flag cleared; false,
  // with nothing changed, when none waits or a post is under way (the message then waits for a later call).
  bool TakeMessageBox(fx::FwString& text, fx::FwString& caption);
  // Any thread; never blocks (false while a post or a take is under way).
  bool IsMessageBoxPending() const;

 private:
  mutable std::mutex mMessageBoxMutex;
  bool mMessageBoxPending = false;
  fx::FwString mMessageBoxText;
  fx::FwString mMessageBoxCaption;
};
