#include "plugin/resampler/CResamplerStore.h"

namespace rsmp {

void CResamplerStore::Close() {
  bool mustDelete = false;
  {
    std::lock_guard<std::recursive_mutex> lock(mLock);
    mIsClosed = true;
    FreeUnheldEntries();
    mustDelete = mHeldCount == 0;
  }
  DeleteIf(mustDelete);
}

int CResamplerStore::GetHeldCount() const {
  std::lock_guard<std::recursive_mutex> lock(mLock);
  return mHeldCount;
}

bool CResamplerStore::NoteEntryReturned() noexcept {
  mHeldCount--;
  return mIsClosed && mHeldCount == 0;
}

void CResamplerStore::DeleteIf(bool mustDelete) noexcept {
  if (mustDelete) delete this;
}

}  // namespace rsmp
