// The draw loop's list of dirty rectangles: collected in insertion order, aligned to device pixels and
// reduced to non-overlapping regions before a frame is drawn. Owned and used by one thread at a time
// (the main thread's draw loop); nothing blocks.
#pragma once

#include "framework/FwTypedBuf.h"
#include "graphics/IRECT.h"

namespace fx::gfx {

class IRECTList {
 public:
  // A rectangle that does not fit (no memory) is dropped.
  void Add(const IRECT& r) { mRects.Add(r); }
  void Clear() { mRects.Resize(0, false); }
  int Size() const { return mRects.GetSize(); }
  const IRECT& Get(int idx) const { return mRects.Get()[idx]; }
  void Set(int idx, const IRECT& r) { mRects.Get()[idx] = r; }
  // Later rectangles move down by one.
  void Remove(int idx);

  // The union of every non-empty rectangle; empty when there is none.
  IRECT Bounds() const;
  // Every rectangle outward to whole device pixels at `scale` pixels per point.
  void PixelAlign(float scale);
  // Removes overlaps and merges neighbours with a shared edge; the covered area stays the same.
  void Optimize();

  // The index of the first rectangle containing the point, or -1.
  int Find(float x, float y) const;

 private:
  void RemoveOverlaps();
  void MergeNeighbours();
  void CutOverlap(int i, int j, const IRECT& overlap);

  IRECT& At(int idx) { return mRects.Get()[idx]; }

  FwTypedBuf<IRECT> mRects;
};

}  // namespace fx::gfx
