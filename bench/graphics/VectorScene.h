// The editor-sized scene of the renderer benchmarks: about 200 rounded rectangles with strokes, 40 strings and one
// 150-point plot in a frame of 640 x 480 points at pixel ratio 2 (1280 x 960 pixels).
#pragma once

#include "graphics/vector/VRContext.h"

constexpr float kSceneWidth = 640.0f;
constexpr float kSceneHeight = 480.0f;
constexpr float kSceneRatio = 2.0f;
constexpr const char* kSceneFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The drawing calls of one frame, between vrBeginFrame and vrEndFrame; font < 0 draws no text.
void DrawSceneContent(VRcontext* ctx, int font);
// A whole frame: begin, the scene, end.
void DrawScene(VRcontext* ctx, int font);
