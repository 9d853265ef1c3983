#include "graphics/IVectorBase.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

enum ELabelPosition : int { kLabelTop = 0, kLabelRight, kLabelBottom, kLabelLeft };

// The text shown in place of an empty value when sizing the value area.
constexpr const char* kValueSizingText = "-99.9";

IRECT ScaledAboutCentre(const IRECT& r, float f) {
  const float hw = 0.5f * r.W() * f;
  const float hh = 0.5f * r.H() * f;
  return IRECT(r.MW() - hw, r.MH() - hh, r.MW() + hw, r.MH() + hh);
}

// A w x h rectangle centred in area; a width under one point becomes one, a zero height takes the width.
IRECT CentredInside(const IRECT& area, float w, float h) {
  const float cw = std::max(w, 1.f);
  const float ch = h > 0.f ? h : cw;
  return IRECT(area.MW() - 0.5f * cw, area.MH() - 0.5f * ch, area.MW() + 0.5f * cw, area.MH() + 0.5f * ch);
}

// Plain fills take the colour without the control's blend, its red, green and blue held to 0..255.
IColor Plain(const IColor& c) {
  return IColor(c.A, std::clamp(c.R, 0, 255), std::clamp(c.G, 0, 255), std::clamp(c.B, 0, 255));
}

}  // namespace

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
    : mStyle(DEFAULT_STYLE), mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget) {
  SetStyle(style);
}

void IVectorBase::OnStyleChanged() {}

void IVectorBase::SetStyle(const IVStyle& style) {
  mStyle = style;
  OnStyleChanged();
}

void IVectorBase::AttachIControl(IControl* control, const char* label) {
  mControl = control;
  mLabelStr.Set(label ? label : "");
}

void IVectorBase::SetSplashPoint(float x, float y) {
  mSplashPoint.x = x;
  mSplashPoint.y = y;
}

const IBlend* IVectorBase::GetBlend() const {
  return mControl ? &mControl->GetBlend() : nullptr;
}

bool IVectorBase::HasAnimation() const {
  return mControl && mControl->GetAnimationFunction();
}

void IVectorBase::DrawBackground(IGraphics& g, const IRECT& r) {
  g.FillRect(GetColor(kBG), r, GetBlend());
}

IRECT IVectorBase::OpaqueBackground(const IRECT& r) const {
  const IBlend* blend = GetBlend();
  const bool plain = !blend || (blend->method == kBlendDefault && blend->weight == 1.f);
  return plain && GetColor(kBG).A == 255 ? r : IRECT();
}

void IVectorBase::DrawWidget(IGraphics&) {}

void IVectorBase::DrawLabel(IGraphics& g) {
  if (mLabelBounds.H() == 0.f || !mStyle.showLabel) return;
  g.DrawText(mStyle.labelText, mLabelStr.Get(), mLabelBounds, GetBlend());
}

void IVectorBase::DrawValue(IGraphics& g, bool mouseOver) {
  if (mouseOver) g.FillRect(COLOR_TRANSLUCENT, mValueBounds);
  if (mStyle.showValue) g.DrawText(mStyle.valueText, mValueStr.Get(), mValueBounds, GetBlend());
}

IRECT IVectorBase::DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                      bool disabled) {
  switch (shape) {
    case EVShape::Rectangle:
    case EVShape::AllRounded:
      return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled);
    case EVShape::EndsRounded:
      return DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
    case EVShape::Ellipse:
      return DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled);
    case EVShape::Triangle:
      return DrawPressableTriangle(g, bounds, pressed, mouseOver, mStyle.angle, disabled);
  }
  return IRECT();
}

void IVectorBase::DrawSplash(IGraphics& g, const IRECT& clip) {
  g.PathClipRegion(clip);
  g.FillCircle(GetColor(kHL), mSplashPoint.x, mSplashPoint.y, mSplashRadius);
  g.PathClipRegion(IRECT());
}

// The disabled flag does not change the drawing: a disabled control is dimmed through its blend, which
// the plain fills do not carry.
IRECT IVectorBase::DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool,
                                          bool roundTopLeft, bool roundTopRight, bool roundBottomLeft,
                                          bool roundBottomRight) {
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float s = mStyle.shadowOffset;
  const IRECT inner(handle.L + s, handle.T + s, handle.R - s, handle.B - s);
  const IRECT shadow = handle.GetTranslated(s, s);
  const float r = GetRoundedCornerRadius(handle);
  const float tl = roundTopLeft ? r : 0.f;
  const float tr = roundTopRight ? r : 0.f;
  const float bl = roundBottomLeft ? r : 0.f;
  const float br = roundBottomRight ? r : 0.f;
  const IBlend* blend = GetBlend();
  auto fill = [&](EVColor c, const IRECT& rect, const IBlend* b) {
    g.FillRoundRect(b ? GetColor(c) : Plain(GetColor(c)), rect, tl, tr, br, bl, b);
  };

  if (!pressed) {
    if (mStyle.drawShadows) fill(kSH, shadow, blend);
    if (!mStyle.emboss) {
      fill(kFG, handle, nullptr);
      if (mouseOver) fill(kHL, handle, blend);
    } else {
      fill(kPR, handle, nullptr);
      fill(kSH, shadow, nullptr);
      fill(kFG, inner, nullptr);
      if (mouseOver) fill(kHL, inner, blend);
    }
  } else {
    if (!mStyle.emboss) {
      fill(kPR, handle, nullptr);
    } else {
      fill(kPR, handle, blend);
      fill(kSH, handle, blend);
      fill(kFG, IRECT(handle.L + s, handle.T + s, handle.R, handle.B), nullptr);
      fill(kPR, inner, blend);
    }
    if (HasAnimation()) DrawSplash(g, handle);
  }

  if (mStyle.drawFrame) g.DrawRoundRect(GetColor(kFR), handle, tl, tr, br, bl, blend, mStyle.frameThickness);
  return handle;
}

IRECT IVectorBase::DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                        bool disabled) {
  const float s = mStyle.shadowOffset;
  const IRECT inner(bounds.L + s, bounds.T + s, bounds.R - s, bounds.B - s);
  const IRECT shadow = bounds.GetTranslated(s, s);
  const IBlend* blend = GetBlend();

  if (!pressed && !disabled && mStyle.drawShadows) g.FillEllipse(GetColor(kSH), shadow);

  if (pressed) {
    if (mStyle.emboss) {
      g.FillEllipse(GetColor(kPR), bounds, blend);
      g.FillEllipse(GetColor(kSH), bounds, blend);
      g.FillEllipse(Plain(GetColor(kFG)), IRECT(bounds.L + s, bounds.T + s, bounds.R, bounds.B));
      g.FillEllipse(Plain(GetColor(kPR)), inner);
    } else {
      g.FillEllipse(Plain(GetColor(kPR)), bounds);
    }
    if (HasAnimation()) DrawSplash(g, bounds);
  } else if (mStyle.emboss) {
    g.FillEllipse(Plain(GetColor(kPR)), bounds);
    g.FillEllipse(Plain(GetColor(kSH)), shadow);
    g.FillEllipse(Plain(GetColor(kFG)), inner);
    if (mouseOver) g.FillEllipse(GetColor(kHL), inner, blend);
  } else {
    g.FillEllipse(Plain(GetColor(kFG)), bounds);
    if (mouseOver) g.FillEllipse(GetColor(kHL), bounds, blend);
  }

  if (mStyle.drawFrame) g.DrawEllipse(GetColor(kFR), bounds, blend, mStyle.frameThickness);
  return bounds;
}

IRECT IVectorBase::DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                                         bool) {
  const IRECT handle = GetAdjustedHandleBounds(bounds);
  const float cx = handle.MW();
  const float cy = handle.MH();
  const float rad = angle / 180.f * 3.1415927f;
  const float cosA = std::cos(rad);
  const float sinA = std::sin(rad);
  float x[3] = {handle.L, cx, handle.R};
  float y[3] = {handle.B, handle.T, handle.B};
  for (int i = 0; i < 3; ++i) {
    const float dx = x[i] - cx;
    const float dy = y[i] - cy;
    x[i] = cx + cosA * dx - sinA * dy;
    y[i] = cy + sinA * dx + cosA * dy;
  }
  const float s = mStyle.shadowOffset;
  const IBlend* blend = GetBlend();

  if (!pressed && mStyle.drawShadows)
    g.FillTriangle(GetColor(kSH), x[0] + s, y[0] + s, x[1] + s, y[1] + s, x[2] + s, y[2] + s, blend);
  g.FillTriangle(Plain(GetColor(pressed ? kPR : kFG)), x[0], y[0], x[1], y[1], x[2], y[2]);
  if (mouseOver) g.FillTriangle(GetColor(kHL), x[0], y[0], x[1], y[1], x[2], y[2], blend);
  // The triangle's splash is not clipped to the shape.
  if (pressed && HasAnimation()) DrawSplash(g, IRECT());
  if (mStyle.drawFrame) g.DrawTriangle(GetColor(kFR), x[0], y[0], x[1], y[1], x[2], y[2], blend, mStyle.frameThickness);
  return handle;
}

IRECT IVectorBase::GetAdjustedHandleBounds(const IRECT& r) const {
  IRECT h = r;
  if (mStyle.drawFrame) {
    const float half = 0.5f * mStyle.frameThickness;
    h = IRECT(h.L + half, h.T + half, h.R - half, h.B - half);
  }
  if (mStyle.drawShadows)
    h = IRECT(h.L + mStyle.shadowOffset, h.T, h.R - mStyle.shadowOffset, h.B - mStyle.shadowOffset);
  return h;
}

float IVectorBase::GetRoundedCornerRadius(const IRECT& r) const {
  return std::min(r.W(), r.H()) * 0.5f * mStyle.roundness;
}

IRECT IVectorBase::MakeRects(const IRECT& parent, bool hasHandle) {
  const IGraphics* g = mControl ? mControl->GetUI() : nullptr;
  auto measure = [g](const IText& text, const char* str) {
    IRECT r;
    if (g) g->MeasureText(text, str, r);
    return r;
  };

  IRECT clickable = parent;
  if (!mLabelInWidget) {
    if (mStyle.showLabel && mLabelStr.GetLength() > 0) {
      const IRECT m = measure(mStyle.labelText, mLabelStr.Get());
      const float w = m.W();
      const float h = m.H();
      switch (mStyle.labelPosition) {
        case kLabelTop:
          mLabelBounds = CentredInside(IRECT(parent.L, parent.T, parent.R, parent.T + h), w, h);
          break;
        case kLabelRight:
          mLabelBounds = CentredInside(IRECT(parent.R - w, parent.T, parent.R, parent.B), w, h);
          break;
        case kLabelBottom:
          mLabelBounds = CentredInside(IRECT(parent.L, parent.B - h, parent.R, parent.B), w, h);
          break;
        case kLabelLeft:
          mLabelBounds = CentredInside(IRECT(parent.L, parent.T, parent.L + w, parent.B), w, h);
          break;
        default:
          break;
      }
    } else {
      mLabelBounds = IRECT();
    }

    if (!mLabelBounds.Empty()) {
      switch (mStyle.labelPosition) {
        case kLabelTop:
          clickable.T += mLabelBounds.H();
          break;
        case kLabelRight:
          clickable.R -= mLabelBounds.W();
          break;
        case kLabelBottom:
          clickable.B -= mLabelBounds.H();
          break;
        case kLabelLeft:
          clickable.L += mLabelBounds.W();
          break;
        default:
          break;
      }
    }
  }

  if (mStyle.showValue && !mValueInWidget) {
    const char* str = mValueStr.GetLength() > 0 ? mValueStr.Get() : kValueSizingText;
    const float h = measure(mStyle.valueText, str).H();
    const float hw = 0.5f * parent.W();
    const float cx = clickable.MW();
    switch (mStyle.valueText.mVAlign) {
      case kVAlignTop:
        mValueBounds = IRECT(cx - hw, clickable.T, cx + hw, clickable.T + h);
        mWidgetBounds =
            ScaledAboutCentre(IRECT(clickable.L, clickable.T + h, clickable.R, clickable.B), mStyle.widgetFrac);
        break;
      case kVAlignBottom:
        mValueBounds = IRECT(cx - hw, clickable.B - h, cx + hw, clickable.B);
        mWidgetBounds =
            ScaledAboutCentre(IRECT(clickable.L, clickable.T, clickable.R, clickable.B - h), mStyle.widgetFrac);
        break;
      case kVAlignMiddle: {
        const float cy = clickable.MH();
        mValueBounds = IRECT(cx - hw, cy - 0.5f * h, cx + hw, cy + 0.5f * h);
        mWidgetBounds = ScaledAboutCentre(clickable, mStyle.widgetFrac);
        break;
      }
      default:
        break;
    }
  } else {
    mWidgetBounds = ScaledAboutCentre(clickable, mStyle.widgetFrac);
  }

  if (hasHandle) mWidgetBounds = ScaledAboutCentre(GetAdjustedHandleBounds(clickable), mStyle.widgetFrac);

  if (mLabelInWidget) mLabelBounds = mWidgetBounds;
  if (mValueInWidget) mValueBounds = mWidgetBounds;
  return clickable;
}

}  // namespace fx::gfx
