#include "plugin/ChannelBuffers.h"

#include <algorithm>
#include <new>

namespace kd {

namespace {
constexpr std::align_val_t kChannelAlignment{64};
}

double** AllocChannelBuffers(int length, int nChans) {
  if (nChans < 0 || length < 0) return nullptr;
  double** buffers = new double*[nChans]();
  for (int c = 0; c < nChans; ++c) {
    buffers[c] = new (kChannelAlignment) double[length]();
  }
  return buffers;
}

void FreeChannelBuffers(double** buffers, int nChans) {
  if (!buffers) return;
  for (int c = 0; c < nChans; ++c) {
    if (buffers[c]) ::operator delete[](buffers[c], kChannelAlignment);
  }
  delete[] buffers;
}

void CopyChannel(const double* src, double* dst, int length, int offset) {
  if (!src || !dst || length < 1) return;
  std::copy_n(src, length, dst + offset);
}

void CopyChannelBuffers(double* const* src, double** dst, int length, int nChans, int offset) {
  if (!src || !dst) return;
  for (int c = 0; c < nChans; ++c) CopyChannel(src[c], dst[c], length, offset);
}

void ClearChannelBuffers(double** buffers, int length, int nChans) {
  if (!buffers || length < 1) return;
  for (int c = 0; c < nChans; ++c) std::fill_n(buffers[c], length, 0.0);
}

}  // namespace kd
