// Sets of per-channel sample buffers (double precision): an array of channel pointers, each to its own
// array of samples, 64-byte aligned. A null channel pointer is allowed and skipped by every operation
// except clearing. Allocation and freeing run outside the audio thread; copying and clearing never
// allocate.
#pragma once

namespace kd {

// nChans channels of length zeroed samples (an array of no pointers for 0 channels, freed as any other);
// null when nChans or length is below 0.
double** AllocChannelBuffers(int length, int nChans);
// Frees every non-null channel, then the pointer array (also for 0 channels). Null does nothing.
void FreeChannelBuffers(double** buffers, int nChans);
// For each channel with both pointers set: length samples of src to dst from sample offset of dst.
void CopyChannelBuffers(double* const* src, double** dst, int length, int nChans, int offset);
// The same for one channel; nothing when either pointer is null or length is below 1.
void CopyChannel(const double* src, double* dst, int length, int offset);
// length samples of every channel to 0; every channel pointer of a set must be set. Nothing for a null set.
void ClearChannelBuffers(double** buffers, int length, int nChans);

}  // namespace kd
