#include "plugin/resampler/HalfBandFilters.h"

#include <algorithm>

namespace rsmp {

namespace {

const CHalfBandFilter& ChooseFromRow(const CHalfBandRow* rows, int steepIndex, double reqAtten) noexcept
{
  const CHalfBandRow& row = rows[std::clamp(steepIndex, 0, kHalfBandRowCount - 1)];
  for (int i = 0; i < row.Count; i++)
    if (row.Filters[i].Atten >= reqAtten)
      return row.Filters[i];
  return row.Filters[row.Count - 1];
}

} // namespace

const CHalfBandFilter& GetHalfBandFilter(int steepIndex, double reqAtten) noexcept
{
  return ChooseFromRow(kStandardRows, steepIndex, reqAtten);
}

const CHalfBandFilter& GetHalfBandFilterThird(int steepIndex, double reqAtten) noexcept
{
  return ChooseFromRow(kThirdRows, steepIndex, reqAtten);
}

} // namespace rsmp
