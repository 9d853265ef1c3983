// A bank of fractional-delay FIR filters for the fractional interpolator: one Kaiser-windowed sinc per
// fractional position of an input sample, either as plain taps (one filter per phase, for exact
// stepping) or as quadratic coefficients in the fraction between neighbouring filters (any ratio).
#pragma once

#include "plugin/resampler/Allocation.h"

namespace rsmp {

class CFracFilterBankCache;

// One window row: Kaiser beta, window power and the attenuation the bank reaches with it.
struct CFracWindowRow {
  double Beta;
  double Power;
  double Atten;
};

class CDSPFracFilterBank : public CStdClassAllocator {
 public:
  static constexpr int kNormalRowCount = 12;
  static constexpr int kThirdRowCount = 10;

  // Any thread, never blocks: the window row of the class for `reqAtten`: the first whose attenuation
  // reaches it (equality counts), else the last.
  static int ChooseRow(bool isThird, double reqAtten) noexcept;
  static const CFracWindowRow& GetRow(bool isThird, int row) noexcept;

  int GetFilterLen() const noexcept { return FilterLen; }
  int GetFilterFracs() const noexcept { return FilterFracs; }
  int GetReqFracs() const noexcept { return ReqFracs; }
  int GetElementSize() const noexcept { return ElementSize; }
  int GetInterpPoints() const noexcept { return InterpPoints; }
  double GetReqAtten() const noexcept { return ReqAtten; }
  bool GetIsThird() const noexcept { return IsThird; }
  int GetRowStride() const noexcept { return RowStride; }
  // Row `i` of the table (0 .. FilterFracs + InterpPoints - 1); read-only after construction, read
  // without a lock.
  const double* GetRow(int i) const noexcept { return Table.Data() + static_cast<long>(i) * RowStride; }
  CDSPFracFilterBank* GetNext() const noexcept { return Next; }
  // Read under the filter-bank lock for an exact figure.
  int GetRefCount() const noexcept { return RefCount; }
  CFracFilterBankCache& GetCache() const noexcept { return *Cache; }

 private:
  friend class CFracFilterBankCache;

  // Under the filter-bank lock; allocates the table. Throws std::bad_alloc.
  CDSPFracFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird, int row,
                     CFracFilterBankCache& cache);
  bool Matches(int reqFracs, int elementSize, int interpPoints, bool isThird, double keyAtten) const noexcept;
  void FillFilters(const CFracWindowRow& row);
  void MakeQuadratic();

  int FilterLen;
  int FilterFracs;
  int ReqFracs;
  int ElementSize;
  int InterpPoints;
  double ReqAtten;
  bool IsThird;
  int RowStride;
  CAlignedBuffer<double> Table;
  CDSPFracFilterBank* Next = nullptr;
  int RefCount = 1;
  CFracFilterBankCache* Cache;
};

}  // namespace rsmp
