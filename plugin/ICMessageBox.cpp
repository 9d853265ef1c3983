#include "plugin/ICMessageBox.h"

void ICMessageBox::PostMessageBox(const char* text, const char* caption) {
  const std::lock_guard<std::mutex> lock(mMessageBoxMutex);
  mMessageBoxText.Set(text);
  mMessageBoxCaption.Set(caption);
  mMessageBoxPending = true;
}

bool ICMessageBox::TakeMessageBox(fx::FwString& text, fx::FwString& caption) {
  const std::unique_lock<std::mutex> lock(mMessageBoxMutex, std::try_to_lock);
  if (!lock.owns_lock() || !mMessageBoxPending) return false;
  text = mMessageBoxText;
  caption = mMessageBoxCaption;
  mMessageBoxPending = false;
  return true;
}

bool ICMessageBox::IsMessageBoxPending() const {
  const std::unique_lock<std::mutex> lock(mMessageBoxMutex, std::try_to_lock);
  return lock.owns_lock() && mMessageBoxPending;
}
