// An ordered, owning, doubly linked list of audio processors with a cursor that makes walking it by
// index cheap. Main thread only (built and changed while no block runs); Get never allocates, so the
// audio thread may walk a list nobody changes.
#pragma once

namespace kd {

// One stage of a processor chain.
class ChainProcessor {
 public:
  virtual ~ChainProcessor() = default;
  // Main thread, while no block runs; may allocate.
  virtual void Prepare(int nChans, int blockSize, double sampleRate) = 0;
  // Audio thread; must not block or allocate. nFrames samples of every channel from in to out.
  virtual void Process(double** in, double** out, int nFrames) = 0;
  // Any thread; an inactive processor is skipped and leaves the signal unchanged.
  virtual bool IsActive() const = 0;
};

class ProcessorList {
 public:
  using Deleter = void (*)(ChainProcessor*);
  // What disposing of the list does with its items.
  enum EOwnership { kLeaveItems = 0, kDeleteItems = 1, kCallDeleter = 2 };

  // Deletes an item through its virtual destructor.
  static void DefaultDeleter(ChainProcessor* item);

  ProcessorList() = default;
  // Disposes of the items per the ownership, then frees the nodes.
  ~ProcessorList();
  ProcessorList(const ProcessorList&) = delete;
  ProcessorList& operator=(const ProcessorList&) = delete;

  // A new last node; the cursor moves to it.
  void Append(ChainProcessor* item);
  // The item at index, moving the cursor there; the nearest end's item for an index beyond the list,
  // null for an empty list.
  ChainProcessor* Get(int index);
  int Count() const { return mCount; }
  int CursorIndex() const { return mCursorIndex; }
  void SetOwnership(EOwnership ownership, Deleter deleter = &DefaultDeleter);

 private:
  struct Node {
    ChainProcessor* item;
    Node* next;
    Node* prev;
  };

  Node* mHead = nullptr;
  Node* mTail = nullptr;
  Node* mCursor = nullptr;
  int mCursorIndex = -1;
  int mCount = 0;
  EOwnership mOwnership = kCallDeleter;
  Deleter mDeleter = &DefaultDeleter;
};

}  // namespace kd
