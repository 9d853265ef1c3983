#include "plugin/ICMessageBox.h"

void ICMessageBox::PostMessageBox(const char* text, const char* caption) {
  mMessageBoxText.Set(text);
  mMessageBoxCaption.Set(caption);
  mMessageBoxPending = true;
}

bool ICMessageBox::TakeMessageBox(fx::FwString& text, fx::FwString& caption) {
  if (!mMessageBoxPending) return false;
  text = mMessageBoxText;
  caption = mMessageBoxCaption;
  mMessageBoxPending = false;
  return true;
}
