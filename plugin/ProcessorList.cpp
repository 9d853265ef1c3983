#include "plugin/ProcessorList.h"

namespace kd {

void ProcessorList::DefaultDeleter(ChainProcessor* item) {
  delete item;
}

ProcessorList::~ProcessorList() {
  Node* node = mHead;
  while (node) {
    Node* next = node->next;
    if (mOwnership == kDeleteItems)
      delete node->item;
    else if (mOwnership == kCallDeleter && mDeleter)
      mDeleter(node->item);
    delete node;
    node = next;
  }
}

void ProcessorList::SetOwnership(EOwnership ownership, Deleter deleter) {
  mOwnership = ownership;
  mDeleter = deleter;
}

void ProcessorList::Append(ChainProcessor* item) {
  Node* node = new Node{item, nullptr, mTail};
  if (mTail)
    mTail->next = node;
  else
    mHead = node;
  mTail = node;
  mCursor = node;
  mCursorIndex = mCount;
  // The count is carried in unsigned arithmetic so that its wrap is defined; a count wrapped to 0 leaves
  // no index the cursor could hold.
  mCount = static_cast<int>(static_cast<unsigned>(mCount) + 1u);
  if (mCount == 0) {
    mCursor = nullptr;
    mCursorIndex = -1;
  }
}

ChainProcessor* ProcessorList::Get(int index) {
  if (mCount == 0) return nullptr;
  if (index >= mCount) index = mCount - 1;
  if (index < 0) index = 0;
  if (!mCursor) {
    mCursor = mHead;
    mCursorIndex = 0;
  }
  while (mCursorIndex < index) {
    mCursor = mCursor->next;
    ++mCursorIndex;
  }
  while (mCursorIndex > index) {
    mCursor = mCursor->prev;
    --mCursorIndex;
  }
  return mCursor->item;
}

}  // namespace kd
