// Options handed to the path interface's stroke and fill, and the arc direction. Plain values: any thread.
#pragma once

namespace fx::gfx {

enum EWinding : int { kWindingCW = 0, kWindingCCW = 1 };
enum EFillRule : int { kFillWinding = 0, kFillEvenOdd = 1, kFillPreserveWinding = 2 };
enum ELineCap : int { kCapButt = 0, kCapRound = 1, kCapSquare = 2 };
enum ELineJoin : int { kJoinMiter = 0, kJoinRound = 1, kJoinBevel = 2 };

struct IStrokeOptions {
  static constexpr int kMaxDashes = 8;

  struct DashOptions {
    float mArray[kMaxDashes] = {};
    float mOffset = 0.f;
    int mCount = 0;  // 0: a solid line

    // Keeps at most 8 lengths.
    void SetDash(const float* lengths, float offset, int count);
  };

  float mMiterLimit = 10.f;
  bool mPreserve = false;
  ELineCap mCapOption = kCapButt;
  ELineJoin mJoinOption = kJoinMiter;
  DashOptions mDash;
};

struct IFillOptions {
  EFillRule mFillRule = kFillWinding;
  bool mPreserve = false;
};

}  // namespace fx::gfx
