// A renderer back end for tests: every callback copies what it receives (paints, scissors, paths with their vertex
// lists, triangle lists, texture calls), so tests can look at the geometry after the renderer has reused its buffers.
#pragma once

#include <map>
#include <vector>

#include "graphics/vector/VRContext.h"
#include "graphics/vector/VRMemory.h"

struct RecordedPath {
  VRpath path;
  std::vector<VRvertex> fill;
  std::vector<VRvertex> stroke;
};

struct RecordedDraw {
  enum Kind { Fill, Stroke, Triangles } kind;
  VRpaint paint;
  VRcompositeOperationState op;
  VRscissor scissor;
  float fringe = 0;
  float strokeWidth = 0;
  float bounds[4] = {};
  std::vector<RecordedPath> paths;
  std::vector<VRvertex> verts;
};

struct RecordedTexture {
  int type, width, height, flags;
  std::vector<unsigned char> data;
};

struct RecordedUpdate {
  int image, x, y, w, h;
};

struct RecordingBackend {
  bool createSucceeds = true;
  bool textureSucceeds = true;
  int edgeAntiAlias = 1;

  int createCalls = 0;
  int deleteCalls = 0;
  int flushCalls = 0;
  int cancelCalls = 0;
  float viewport[3] = {};
  int nextImage = 1;
  std::map<int, RecordedTexture> textures;
  std::vector<int> deletedTextures;
  std::vector<RecordedUpdate> updates;
  std::vector<RecordedDraw> draws;

  VRparams Params();
};

// A context on a recording back end, deleted with the fixture.
struct RecordingRenderer {
  RecordingBackend backend;
  VRcontext* ctx = nullptr;

  explicit RecordingRenderer(int edgeAntiAlias = 1);
  ~RecordingRenderer();
};
