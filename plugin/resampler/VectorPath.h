// Choice between the resampler family's plain SSE2 inner loops and their AVX2 forms. Both give the same
// bits: the AVX2 forms repeat the plain operations lane by lane, in the same order, without fused
// multiply-add. All of it is safe from any thread and never blocks.
#pragma once

namespace rsmp {

// Whether the processor and the system run AVX2 code.
bool IsAvx2Available() noexcept;
// Whether steps and FFT objects set up from now on take the AVX2 forms (by default whenever available);
// for tests and benchmarks that compare the two paths. What is already set up keeps its choice.
void SetAvx2Allowed(bool allowed) noexcept;
// Available and allowed.
bool IsAvx2Used() noexcept;

}  // namespace rsmp
