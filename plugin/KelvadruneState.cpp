// Kelvadrune's state hooks: the host's chunks and the preset slots hold the XML state record.
#include "plugin/Kelvadrune.h"

bool Kelvadrune::SerializeState(fx::IByteChunk& chunk) const {
  return WriteStateChunk(chunk);
}

int Kelvadrune::UnserializeState(const fx::IByteChunk& chunk, int startPos) {
  return ReadStateChunk(chunk, startPos);
}

int Kelvadrune::CheckState(const fx::IByteChunk& chunk, int startPos) {
  return CheckStateChunk(chunk, startPos);
}
