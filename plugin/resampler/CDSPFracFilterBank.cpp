#include "plugin/resampler/CDSPFracFilterBank.h"

#include "plugin/resampler/CDSPWindowedSinc.h"

#include <cmath>

namespace rsmp {

namespace {

// Window rows per bank class: each reaches its attenuation with a bank of 8 + 2j (normal) or 6 + 2j
// (third) taps per filter at row j.
const CFracWindowRow kNormalWindowRows[CDSPFracFilterBank::kNormalRowCount] = {
    {4.130846853458691, 1.1752580009977263, 55.5446},   {4.424152032414883, 1.8004881791443044, 81.4191},
    {5.261523228917366, 1.8133318236025469, 96.3392},   {5.943375122721617, 1.8730186391986436, 111.1315},
    {6.8308658290513815, 1.8549555110340281, 125.4653}, {7.66484582903129, 1.8565766090828464, 139.7379},
    {8.20387286643076, 1.9269521820570166, 154.0532},   {8.786515094665514, 1.9775307667441668, 168.2101},
    {9.594501788410177, 1.9718456992078597, 182.1076},  {10.516314114598524, 1.9504067820201083, 195.5668},
    {10.238246520636247, 2.1608923446870087, 209.061},  {10.9976060250714, 2.1536533525688935, 222.501},
};

const CFracWindowRow kThirdWindowRows[CDSPFracFilterBank::kThirdRowCount] = {
    {3.9888564562781847, 1.5869927184268915, 66.5701},  {4.698669403814501, 1.8086068597928262, 86.4715},
    {5.599507132933782, 1.893016336094235, 106.1195},   {6.362728780025723, 1.9945748322093975, 125.2307},
    {7.429955071142831, 1.9893400572347544, 144.3469},  {8.066771594407564, 2.092820145869991, 163.4099},
    {8.746997022628882, 2.1640279784268355, 181.0694},  {10.082343006983523, 2.089667802532192, 199.288},
    {10.922220609048951, 2.1221681162186004, 216.6865}, {21.2017743894772, 1.18567680801189, 233.9188},
};

}  // namespace

int CDSPFracFilterBank::ChooseRow(bool isThird, double reqAtten) noexcept {
  const int count = isThird ? kThirdRowCount : kNormalRowCount;
  for (int j = 0; j < count; j++)
    if (GetRow(isThird, j).Atten >= reqAtten) return j;
  return count - 1;
}

const CFracWindowRow& CDSPFracFilterBank::GetRow(bool isThird, int row) noexcept {
  return isThird ? kThirdWindowRows[row] : kNormalWindowRows[row];
}

CDSPFracFilterBank::CDSPFracFilterBank(int reqFracs, int elementSize, int interpPoints, bool isThird, int row,
                                       CFracFilterBankCache& cache)
    : FilterLen(isThird ? 6 + 2 * row : 8 + 2 * row),
      ReqFracs(reqFracs),
      ElementSize(elementSize),
      InterpPoints(interpPoints),
      ReqAtten(GetRow(isThird, row).Atten),
      IsThird(isThird),
      RowStride(elementSize * FilterLen),
      Cache(&cache) {
  FilterFracs = reqFracs == -1 ? static_cast<int>(std::ceil(std::pow(6.4, ReqAtten / 50.0))) : reqFracs;
  Table.Alloc((FilterFracs + InterpPoints) * RowStride);
  FillFilters(GetRow(isThird, row));
  if (InterpPoints == 8 && ElementSize == 3) MakeQuadratic();
}

bool CDSPFracFilterBank::Matches(int reqFracs, int elementSize, int interpPoints, bool isThird,
                                 double keyAtten) const noexcept {
  return ReqFracs == reqFracs && IsThird == isThird && ElementSize == elementSize && InterpPoints == interpPoints &&
         ReqAtten == keyAtten;
}

// Rows i = 1 - h .. FilterFracs + h (h = InterpPoints / 2) with delay (FilterFracs - i) / FilterFracs,
// each normalised to unit DC gain.
void CDSPFracFilterBank::FillFilters(const CFracWindowRow& row) {
  const int h = InterpPoints / 2;
  for (int r = 0; r < FilterFracs + InterpPoints; r++) {
    const int i = r + 1 - h;
    double* taps = Table.Data() + static_cast<long>(r) * RowStride;
    const double d = static_cast<double>(FilterFracs - i) / FilterFracs;
    CDSPWindowedSinc::GenerateFractional(taps, ElementSize, d, FilterLen / 2, row.Beta, row.Power);
    double sum = 0.0;
    for (int k = 0; k < FilterLen; k++) sum += taps[k * ElementSize];
    for (int k = 0; k < FilterLen; k++) taps[k * ElementSize] /= sum;
  }
}

// Per tap, the quadratic a + b f + c f^2 through the tap of this row and the seven rows after it (a
// least-squares fit over 8 points, exact at f = 0), stored pairwise (a0 a1 b0 b1 c0 c1) for two-wide
// arithmetic. Rows are turned in increasing order: each uses only later rows.
void CDSPFracFilterBank::MakeQuadratic() {
  for (int r = 0; r <= FilterFracs; r++) {
    double* row = Table.Data() + static_cast<long>(r) * RowStride;
    for (int k = 0; k < FilterLen; k++) {
      double y[8];
      for (int j = 0; j < 8; j++) y[j] = row[j * RowStride + k * 3];
      row[k * 3] = y[3];
      row[k * 3 + 1] = (61.0 * (y[4] - y[2]) + 16.0 * (y[1] - y[5]) + 3.0 * (y[6] - y[0])) / 76.0;
      row[k * 3 + 2] =
          (106.0 * (y[2] + y[4]) + 6.0 * y[0] + 10.0 * y[6] - 3.0 * y[7] - 29.0 * (y[1] + y[5]) - 167.0 * y[3]) / 76.0;
    }
    for (int k = 0; k < FilterLen; k += 2) {
      double* pair = row + k * 3;
      const double a0 = pair[0], b0 = pair[1], c0 = pair[2], a1 = pair[3], b1 = pair[4], c1 = pair[5];
      pair[0] = a0;
      pair[1] = a1;
      pair[2] = b0;
      pair[3] = b1;
      pair[4] = c0;
      pair[5] = c1;
    }
  }
}

}  // namespace rsmp
