#include "bench/graphics/VectorScene.h"

#include <cmath>
#include <cstdio>

#include "graphics/vector/VRText.h"

void DrawSceneContent(VRcontext* ctx, int font) {
  vrScale(ctx, 1.5f, 1.5f);
  for (int i = 0; i < 200; ++i) {
    float x = static_cast<float>((i % 20) * 31), y = static_cast<float>((i / 20) * 47);
    vrBeginPath(ctx);
    vrRoundedRect(ctx, x, y, 28, 40, 4);
    vrFillColor(ctx, vrRGBA(40, 44, 52, 255));
    vrFill(ctx);
    vrStrokeColor(ctx, vrRGBA(200, 200, 200, 255));
    vrStrokeWidth(ctx, 1.5f);
    vrStroke(ctx);
  }
  if (font >= 0) {
    vrFontFaceId(ctx, font);
    vrFontSize(ctx, 13);
    vrFillColor(ctx, vrRGBA(230, 230, 230, 255));
    char text[32];
    for (int i = 0; i < 40; ++i) {
      std::snprintf(text, sizeof(text), "Gain %+.1f dB", -60.0 + i * 1.5);
      vrText(ctx, static_cast<float>((i % 4) * 150), static_cast<float>(20 + (i / 4) * 40), text, nullptr);
    }
  }
  vrBeginPath(ctx);
  for (int i = 0; i < 150; ++i) {
    float x = static_cast<float>(i) * 4, y = 240 + 80 * std::sin(static_cast<float>(i) * 0.1f);
    if (i == 0)
      vrMoveTo(ctx, x, y);
    else
      vrLineTo(ctx, x, y);
  }
  vrStrokeWidth(ctx, 2);
  vrLineJoin(ctx, VR_ROUND);
  vrStroke(ctx);
}

void DrawScene(VRcontext* ctx, int font) {
  vrBeginFrame(ctx, kSceneWidth, kSceneHeight, kSceneRatio);
  DrawSceneContent(ctx, font);
  vrEndFrame(ctx);
}
