#include "plugin/resampler/HalfBandFilters.h"

#include <algorithm>

namespace rsmp {

namespace {

const CHalfBandFilter& ChooseFromRow(const CHalfBandRow* rows, int steepIndex, double reqAtten) noexcept {
  const CHalfBandRow& row = rows[std::clamp(steepIndex, 0, kHalfBandRowCount - 1)];
  for (int i = 0; i < row.Count; i++)
    if (row.Filters[i].Atten >= reqAtten) return row.Filters[i];
  return row.Filters[row.Count - 1];
}

}  // namespace

const CHalfBandFilter& GetHalfBandFilter(int steepIndex, double reqAtten) noexcept {
  return ChooseFromRow(kStandardRows, steepIndex, reqAtten);
}

const CHalfBandFilter& GetHalfBandFilterThird(int steepIndex, double reqAtten) noexcept {
  return ChooseFromRow(kThirdRows, steepIndex, reqAtten);
}

const CHalfBandFilter& CopyHalfBandFilter(bool isThird, int steepIndex, double reqAtten, double* coeffs) noexcept {
  const CHalfBandFilter& filter = ChooseFromRow(isThird ? kThirdRows : kStandardRows, steepIndex, reqAtten);
  std::copy(filter.Coeffs, filter.Coeffs + filter.TapCount, coeffs);
  std::fill(coeffs + filter.TapCount, coeffs + kMaxHalfBandTaps, 0.0);
  return filter;
}

}  // namespace rsmp
