// The renderer's value types and their operations: 2-by-3 affine transforms, colours (straight, not premultiplied),
// paints (solid colours, linear, box and radial gradients, image patterns) and the scissor, with the current state's
// setters. Editor (main) thread only; nothing blocks.
#pragma once

struct VRcontext;

// A transform is six floats (a, b, c, d, e, f): (x, y) maps to (a x + c y + e, b x + d y + f).
struct VRcolor {
  union {
    float rgba[4];
    struct {
      float r, g, b, a;
    };
  };
};

// A paint is evaluated by the back end: a point carried into paint space by the inverse of xform is blended from
// innerColor to outerColor by its signed distance to a rounded rectangle (half-size extent, corner radius radius)
// divided by feather; an image paint samples the image over extent.
struct VRpaint {
  float xform[6];
  float extent[2];
  float radius;
  float feather;
  VRcolor innerColor;
  VRcolor outerColor;
  int image;
};

// extent is the half size in the scissor's own space; extent[0] < 0 means no scissor.
struct VRscissor {
  float xform[6];
  float extent[2];
};

void vrTransformIdentity(float* t);
void vrTransformTranslate(float* t, float tx, float ty);
void vrTransformScale(float* t, float sx, float sy);
void vrTransformRotate(float* t, float a);
void vrTransformSkewX(float* t, float a);
void vrTransformSkewY(float* t, float a);
// t becomes t followed by s.
void vrTransformMultiply(float* t, const float* s);
// t becomes s followed by t.
void vrTransformPremultiply(float* t, const float* s);
// 1, or 0 with inv the identity when t is singular (|det| < 1e-6).
int vrTransformInverse(float* inv, const float* t);
void vrTransformPoint(float* dx, float* dy, const float* t, float sx, float sy);
float vrDegToRad(float deg);
float vrRadToDeg(float rad);

// The current state's transform; each operation applies first, in the caller's local coordinates. Non-finite values,
// and finite ones whose product with the transform overflows, are ignored (the transform stays as it was), so no NaN
// reaches the path commands.
void vrTransform(VRcontext* ctx, float a, float b, float c, float d, float e, float f);
void vrResetTransform(VRcontext* ctx);
void vrTranslate(VRcontext* ctx, float x, float y);
void vrRotate(VRcontext* ctx, float angle);
void vrSkewX(VRcontext* ctx, float angle);
void vrSkewY(VRcontext* ctx, float angle);
void vrScale(VRcontext* ctx, float x, float y);
void vrCurrentTransform(VRcontext* ctx, float* xform);

VRcolor vrRGB(unsigned char r, unsigned char g, unsigned char b);
VRcolor vrRGBf(float r, float g, float b);
VRcolor vrRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
VRcolor vrRGBAf(float r, float g, float b, float a);
VRcolor vrTransRGBA(VRcolor c, unsigned char a);
VRcolor vrTransRGBAf(VRcolor c, float a);
VRcolor vrLerpRGBA(VRcolor c0, VRcolor c1, float u);
VRcolor vrHSL(float h, float s, float l);
VRcolor vrHSLA(float h, float s, float l, unsigned char a);

VRpaint vrLinearGradient(VRcontext* ctx, float sx, float sy, float ex, float ey, VRcolor icol, VRcolor ocol);
VRpaint vrBoxGradient(VRcontext* ctx, float x, float y, float w, float h, float r, float f, VRcolor icol, VRcolor ocol);
VRpaint vrRadialGradient(VRcontext* ctx, float cx, float cy, float inr, float outr, VRcolor icol, VRcolor ocol);
VRpaint vrImagePattern(VRcontext* ctx, float cx, float cy, float w, float h, float angle, int image, float alpha);

void vrFillColor(VRcontext* ctx, VRcolor color);
void vrStrokeColor(VRcontext* ctx, VRcolor color);
// The paint is given in the same local coordinates as the path: its xform is multiplied by the current transform.
void vrFillPaint(VRcontext* ctx, VRpaint paint);
void vrStrokePaint(VRcontext* ctx, VRpaint paint);

// A rectangle with a value that is not finite, or one whose scissor under the current transform would not be finite,
// is ignored: the scissor stays as it was.
void vrScissor(VRcontext* ctx, float x, float y, float w, float h);
void vrIntersectScissor(VRcontext* ctx, float x, float y, float w, float h);
void vrResetScissor(VRcontext* ctx);
