#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMath.h"

namespace {

bool AllFinite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

// The state's transform becomes t followed by it; a transform that is not finite is ignored.
void PremultiplyState(VRcontext* ctx, const float* t) {
  if (!AllFinite(t, 6)) return;
  float xform[6];
  std::memcpy(xform, vrGetState(ctx)->xform, sizeof(xform));
  vrTransformPremultiply(xform, t);
  if (AllFinite(xform, 6)) std::memcpy(vrGetState(ctx)->xform, xform, sizeof(xform));
}

void SetPaintColor(VRpaint* p, VRcolor color) {
  std::memset(p, 0, sizeof(*p));
  vrTransformIdentity(p->xform);
  p->radius = 0.0f;
  p->feather = 1.0f;
  p->innerColor = color;
  p->outerColor = color;
}

float Hue(float h, float m1, float m2) {
  if (h < 0.0f) h += 1.0f;
  if (h > 1.0f) h -= 1.0f;
  if (h < 1.0f / 6.0f) return m1 + (m2 - m1) * h * 6.0f;
  if (h < 3.0f / 6.0f) return m2;
  if (h < 4.0f / 6.0f) return m1 + (m2 - m1) * (2.0f / 3.0f - h) * 6.0f;
  return m1;
}

}  // namespace

void vrTransformIdentity(float* t) {
  t[0] = 1.0f, t[1] = 0.0f, t[2] = 0.0f, t[3] = 1.0f, t[4] = 0.0f, t[5] = 0.0f;
}

void vrTransformTranslate(float* t, float tx, float ty) {
  t[0] = 1.0f, t[1] = 0.0f, t[2] = 0.0f, t[3] = 1.0f, t[4] = tx, t[5] = ty;
}

void vrTransformScale(float* t, float sx, float sy) {
  t[0] = sx, t[1] = 0.0f, t[2] = 0.0f, t[3] = sy, t[4] = 0.0f, t[5] = 0.0f;
}

void vrTransformRotate(float* t, float a) {
  float cs = std::cos(a), sn = std::sin(a);
  t[0] = cs, t[1] = sn, t[2] = -sn, t[3] = cs, t[4] = 0.0f, t[5] = 0.0f;
}

void vrTransformSkewX(float* t, float a) {
  t[0] = 1.0f, t[1] = 0.0f, t[2] = std::tan(a), t[3] = 1.0f, t[4] = 0.0f, t[5] = 0.0f;
}

void vrTransformSkewY(float* t, float a) {
  t[0] = 1.0f, t[1] = std::tan(a), t[2] = 0.0f, t[3] = 1.0f, t[4] = 0.0f, t[5] = 0.0f;
}

void vrTransformMultiply(float* t, const float* s) {
  float t0 = t[0] * s[0] + t[1] * s[2];
  float t2 = t[2] * s[0] + t[3] * s[2];
  float t4 = t[4] * s[0] + t[5] * s[2] + s[4];
  t[1] = t[0] * s[1] + t[1] * s[3];
  t[3] = t[2] * s[1] + t[3] * s[3];
  t[5] = t[4] * s[1] + t[5] * s[3] + s[5];
  t[0] = t0;
  t[2] = t2;
  t[4] = t4;
}

void vrTransformPremultiply(float* t, const float* s) {
  float s2[6];
  std::memcpy(s2, s, sizeof(s2));
  vrTransformMultiply(s2, t);
  std::memcpy(t, s2, sizeof(s2));
}

int vrTransformInverse(float* inv, const float* t) {
  double det = static_cast<double>(t[0]) * t[3] - static_cast<double>(t[2]) * t[1];
  if (det > -1e-6 && det < 1e-6) {
    vrTransformIdentity(inv);
    return 0;
  }
  double invdet = 1.0 / det;
  inv[0] = static_cast<float>(t[3] * invdet);
  inv[2] = static_cast<float>(-t[2] * invdet);
  inv[4] = static_cast<float>((static_cast<double>(t[2]) * t[5] - static_cast<double>(t[3]) * t[4]) * invdet);
  inv[1] = static_cast<float>(-t[1] * invdet);
  inv[3] = static_cast<float>(t[0] * invdet);
  inv[5] = static_cast<float>((static_cast<double>(t[1]) * t[4] - static_cast<double>(t[0]) * t[5]) * invdet);
  return 1;
}

void vrTransformPoint(float* dx, float* dy, const float* t, float sx, float sy) {
  *dx = sx * t[0] + sy * t[2] + t[4];
  *dy = sx * t[1] + sy * t[3] + t[5];
}

float vrDegToRad(float deg) {
  return deg / 180.0f * kVrPi;
}
float vrRadToDeg(float rad) {
  return rad / kVrPi * 180.0f;
}

void vrTransform(VRcontext* ctx, float a, float b, float c, float d, float e, float f) {
  float t[6] = {a, b, c, d, e, f};
  PremultiplyState(ctx, t);
}

void vrResetTransform(VRcontext* ctx) {
  vrTransformIdentity(vrGetState(ctx)->xform);
}

void vrTranslate(VRcontext* ctx, float x, float y) {
  float t[6];
  vrTransformTranslate(t, x, y);
  PremultiplyState(ctx, t);
}

void vrRotate(VRcontext* ctx, float angle) {
  float t[6];
  vrTransformRotate(t, angle);
  PremultiplyState(ctx, t);
}

void vrSkewX(VRcontext* ctx, float angle) {
  float t[6];
  vrTransformSkewX(t, angle);
  PremultiplyState(ctx, t);
}

void vrSkewY(VRcontext* ctx, float angle) {
  float t[6];
  vrTransformSkewY(t, angle);
  PremultiplyState(ctx, t);
}

void vrScale(VRcontext* ctx, float x, float y) {
  float t[6];
  vrTransformScale(t, x, y);
  PremultiplyState(ctx, t);
}

void vrCurrentTransform(VRcontext* ctx, float* xform) {
  if (xform == nullptr) return;
  std::memcpy(xform, vrGetState(ctx)->xform, sizeof(float) * 6);
}

VRcolor vrRGB(unsigned char r, unsigned char g, unsigned char b) {
  return vrRGBA(r, g, b, 255);
}
VRcolor vrRGBf(float r, float g, float b) {
  return vrRGBAf(r, g, b, 1.0f);
}

VRcolor vrRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a) {
  return vrRGBAf(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

VRcolor vrRGBAf(float r, float g, float b, float a) {
  VRcolor color;
  color.r = r, color.g = g, color.b = b, color.a = a;
  return color;
}

VRcolor vrTransRGBA(VRcolor c, unsigned char a) {
  c.a = a / 255.0f;
  return c;
}

VRcolor vrTransRGBAf(VRcolor c, float a) {
  c.a = a;
  return c;
}

VRcolor vrLerpRGBA(VRcolor c0, VRcolor c1, float u) {
  u = std::clamp(u, 0.0f, 1.0f);
  VRcolor color;
  for (int i = 0; i < 4; ++i) color.rgba[i] = c0.rgba[i] * (1.0f - u) + c1.rgba[i] * u;
  return color;
}

VRcolor vrHSL(float h, float s, float l) {
  return vrHSLA(h, s, l, 255);
}

VRcolor vrHSLA(float h, float s, float l, unsigned char a) {
  h = std::fmod(h, 1.0f);
  if (h < 0.0f) h += 1.0f;
  s = std::clamp(s, 0.0f, 1.0f);
  l = std::clamp(l, 0.0f, 1.0f);
  float m2 = l <= 0.5f ? (l * (1 + s)) : (l + s - l * s);
  float m1 = 2 * l - m2;
  VRcolor col;
  col.r = std::clamp(Hue(h + 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.g = std::clamp(Hue(h, m1, m2), 0.0f, 1.0f);
  col.b = std::clamp(Hue(h - 1.0f / 3.0f, m1, m2), 0.0f, 1.0f);
  col.a = a / 255.0f;
  return col;
}

VRpaint vrLinearGradient(VRcontext*, float sx, float sy, float ex, float ey, VRcolor icol, VRcolor ocol) {
  // A box gradient on a very large rectangle whose edge lies at the start point.
  const float large = 1e5f;
  VRpaint p;
  std::memset(&p, 0, sizeof(p));
  float dx = ex - sx, dy = ey - sy;
  float d = std::sqrt(dx * dx + dy * dy);
  if (d > 0.0001f) {
    dx /= d;
    dy /= d;
  } else {
    dx = 0.0f;
    dy = 1.0f;
  }
  p.xform[0] = dy;
  p.xform[1] = -dx;
  p.xform[2] = dx;
  p.xform[3] = dy;
  p.xform[4] = sx - dx * large;
  p.xform[5] = sy - dy * large;
  p.extent[0] = large;
  p.extent[1] = large + d * 0.5f;
  p.radius = 0.0f;
  p.feather = std::max(1.0f, d);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VRpaint vrRadialGradient(VRcontext*, float cx, float cy, float inr, float outr, VRcolor icol, VRcolor ocol) {
  float r = (inr + outr) * 0.5f;
  float f = outr - inr;
  VRpaint p;
  std::memset(&p, 0, sizeof(p));
  vrTransformTranslate(p.xform, cx, cy);
  p.extent[0] = r;
  p.extent[1] = r;
  p.radius = r;
  p.feather = std::max(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VRpaint vrBoxGradient(VRcontext*, float x, float y, float w, float h, float r, float f, VRcolor icol, VRcolor ocol) {
  VRpaint p;
  std::memset(&p, 0, sizeof(p));
  vrTransformTranslate(p.xform, x + w * 0.5f, y + h * 0.5f);
  p.extent[0] = w * 0.5f;
  p.extent[1] = h * 0.5f;
  p.radius = r;
  p.feather = std::max(1.0f, f);
  p.innerColor = icol;
  p.outerColor = ocol;
  return p;
}

VRpaint vrImagePattern(VRcontext*, float cx, float cy, float w, float h, float angle, int image, float alpha) {
  VRpaint p;
  std::memset(&p, 0, sizeof(p));
  vrTransformRotate(p.xform, angle);
  p.xform[4] = cx;
  p.xform[5] = cy;
  p.extent[0] = w;
  p.extent[1] = h;
  p.image = image;
  p.innerColor = p.outerColor = vrRGBAf(1, 1, 1, alpha);
  return p;
}

void vrFillColor(VRcontext* ctx, VRcolor color) {
  SetPaintColor(&vrGetState(ctx)->fill, color);
}
void vrStrokeColor(VRcontext* ctx, VRcolor color) {
  SetPaintColor(&vrGetState(ctx)->stroke, color);
}

void vrFillPaint(VRcontext* ctx, VRpaint paint) {
  VRstate* state = vrGetState(ctx);
  state->fill = paint;
  vrTransformMultiply(state->fill.xform, state->xform);
}

void vrStrokePaint(VRcontext* ctx, VRpaint paint) {
  VRstate* state = vrGetState(ctx);
  state->stroke = paint;
  vrTransformMultiply(state->stroke.xform, state->xform);
}

void vrScissor(VRcontext* ctx, float x, float y, float w, float h) {
  const float r[4] = {x, y, w, h};
  if (!AllFinite(r, 4)) return;
  VRstate* state = vrGetState(ctx);
  w = std::max(0.0f, w);
  h = std::max(0.0f, h);
  VRscissor scissor;
  vrTransformIdentity(scissor.xform);
  scissor.xform[4] = x + w * 0.5f;
  scissor.xform[5] = y + h * 0.5f;
  vrTransformMultiply(scissor.xform, state->xform);
  scissor.extent[0] = w * 0.5f;
  scissor.extent[1] = h * 0.5f;
  if (AllFinite(scissor.xform, 6) && AllFinite(scissor.extent, 2)) state->scissor = scissor;
}

void vrIntersectScissor(VRcontext* ctx, float x, float y, float w, float h) {
  const float r[4] = {x, y, w, h};
  if (!AllFinite(r, 4)) return;
  VRstate* state = vrGetState(ctx);
  if (state->scissor.extent[0] < 0) {
    vrScissor(ctx, x, y, w, h);
    return;
  }
  // The current scissor carried into the current transform's space; with a rotation between the two spaces its
  // bounding box stands in for it.
  float pxform[6], invxform[6];
  std::memcpy(pxform, state->scissor.xform, sizeof(pxform));
  float ex = state->scissor.extent[0];
  float ey = state->scissor.extent[1];
  vrTransformInverse(invxform, state->xform);
  vrTransformMultiply(pxform, invxform);
  float tex = ex * std::fabs(pxform[0]) + ey * std::fabs(pxform[2]);
  float tey = ex * std::fabs(pxform[1]) + ey * std::fabs(pxform[3]);
  float ax = pxform[4] - tex, ay = pxform[5] - tey, aw = tex * 2, ah = tey * 2;
  float minx = std::max(ax, x);
  float miny = std::max(ay, y);
  float maxx = std::min(ax + aw, x + w);
  float maxy = std::min(ay + ah, y + h);
  vrScissor(ctx, minx, miny, std::max(0.0f, maxx - minx), std::max(0.0f, maxy - miny));
}

void vrResetScissor(VRcontext* ctx) {
  VRstate* state = vrGetState(ctx);
  std::memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}
