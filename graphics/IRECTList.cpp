#include "graphics/IRECTList.h"

namespace fx::gfx {

namespace {

bool CoversFullSide(const IRECT& r, const IRECT& overlap) {
  return (overlap.L == r.L && overlap.R == r.R) || (overlap.T == r.T && overlap.B == r.B);
}

bool Touch(float lo1, float hi1, float lo2, float hi2) {
  return lo1 <= hi2 && lo2 <= hi1;
}

bool Mergeable(const IRECT& a, const IRECT& b) {
  if (a.Empty() || b.Empty()) return true;
  if (a.L == b.L && a.R == b.R && Touch(a.T, a.B, b.T, b.B)) return true;
  return a.T == b.T && a.B == b.B && Touch(a.L, a.R, b.L, b.R);
}

}  // namespace

void IRECTList::Remove(int idx) {
  mRects.Delete(idx);
}

IRECT IRECTList::Bounds() const {
  IRECT u;
  for (int i = 0; i < Size(); ++i) u = u.Union(Get(i));
  return u;
}

void IRECTList::PixelAlign(float scale) {
  for (int i = 0; i < Size(); ++i) At(i) = Get(i).GetPixelAligned(scale);
}

int IRECTList::Find(float x, float y) const {
  for (int i = 0; i < Size(); ++i)
    if (Get(i).Contains(x, y)) return i;
  return -1;
}

void IRECTList::Optimize() {
  RemoveOverlaps();
  MergeNeighbours();
}

// Cuts the overlap off one of the two rectangles: one that it spans wall to wall loses a band,
// otherwise the smaller one is split around it. The piece kept stays in place, the others go to the end.
void IRECTList::CutOverlap(int i, int j, const IRECT& overlap) {
  const IRECT& ri = Get(i);
  const IRECT& rj = Get(j);
  int victim;
  if (CoversFullSide(ri, overlap))
    victim = i;
  else if (CoversFullSide(rj, overlap))
    victim = j;
  else
    victim = rj.Area() <= ri.Area() ? j : i;

  IRECT pieces[4];
  const int n = Get(victim).Subtract(overlap, pieces);
  At(victim) = pieces[0];
  for (int k = 1; k < n; ++k) Add(pieces[k]);
}

void IRECTList::RemoveOverlaps() {
  for (int i = 0; i < Size(); ++i) {
    int j = i + 1;
    while (j < Size()) {
      const IRECT ri = Get(i);
      const IRECT rj = Get(j);
      if (ri.Contains(rj)) {
        Remove(j);
        continue;
      }
      if (rj.Contains(ri)) {
        Remove(i);
        j = i + 1;
        continue;
      }
      const IRECT overlap = ri.Intersect(rj);
      if (!overlap.Empty()) CutOverlap(i, j, overlap);
      ++j;
    }
  }
}

void IRECTList::MergeNeighbours() {
  int i = 0;
  while (i < Size()) {
    bool merged = false;
    for (int j = i + 1; j < Size(); ++j) {
      if (Mergeable(Get(i), Get(j))) {
        At(j) = Get(j).Union(Get(i));
        Remove(i);
        merged = true;
        break;
      }
    }
    if (!merged) ++i;
  }
}

}  // namespace fx::gfx
