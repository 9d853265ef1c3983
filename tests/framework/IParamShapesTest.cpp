#include "framework/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>

namespace fx {
namespace {

struct ShapeRow {
  const char* what;
  double min, max;
  double exponent;  // 0: exponential shape, else power curve
  double normalized;
  double value;  // independent value at that position
};

void PrintTo(const ShapeRow& row, std::ostream* os) {
  *os << row.what;
}

// Values from the closed forms, worked independently:
// exp: 20 x (20000 / 20)^v, so v = 0.5 gives sqrt(20 x 20000) = 632.4555320336759;
// power: min + v^e x (max - min).
class ShapeMapping : public testing::TestWithParam<ShapeRow> {};

std::unique_ptr<IParam> MakeParam(const ShapeRow& row) {
  auto param = std::make_unique<IParam>();
  if (row.exponent == 0.0)
    param->InitDouble("p", row.min, row.min, row.max, 0.0, "", 0, "", IParam::ShapeExp());
  else
    param->InitDouble("p", row.min, row.min, row.max, 0.0, "", 0, "", IParam::ShapePowCurve(row.exponent));
  return param;
}

TEST_P(ShapeMapping, MapsBothWays) {
  const ShapeRow row = GetParam();
  const auto param = MakeParam(row);
  const IParam::Shape& shape = *param->GetShape();
  EXPECT_NEAR(shape.NormalizedToValue(row.normalized, *param), row.value, 1e-9 * std::fabs(row.value) + 1e-15)
      << row.what;
  EXPECT_NEAR(shape.ValueToNormalized(row.value, *param), row.normalized, 1e-12) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ShapeMapping,
    testing::Values(ShapeRow{"exp low", 20, 20000, 0, 0.0, 20.0}, ShapeRow{"exp high", 20, 20000, 0, 1.0, 20000.0},
                    ShapeRow{"exp middle", 20, 20000, 0, 0.5, 632.4555320336759},
                    ShapeRow{"exp quarter", 20, 20000, 0, 0.25, 112.46826503806983},
                    ShapeRow{"exp min 0", 0, 1, 0, 0.0, 1e-8}, ShapeRow{"pow 2", 0, 1, 2, 0.5, 0.25},
                    ShapeRow{"pow 2 scaled", 10, 20, 2, 0.5, 12.5},
                    ShapeRow{"pow 6 MD filter", 1, 22000, 6, 0.5, 1 + 21999 * 0.015625},
                    ShapeRow{"pow 0.5", 0, 100, 0.5, 0.25, 50.0}, ShapeRow{"pow 1", -1, 1, 1, 0.75, 0.5}));

TEST(ShapeLinear, MapsTheRange) {
  IParam param;
  param.InitDouble("p", 0.0, -48.0, 48.0, 0.01);
  EXPECT_DOUBLE_EQ(param.ToNormalized(-24.0), 0.25);
  EXPECT_DOUBLE_EQ(param.GetShape()->NormalizedToValue(0.75, param), 24.0);
  EXPECT_EQ(param.GetShape()->GetDisplayType(), 0);
}

struct DisplayTypeRow {
  double exponent;
  int displayType;
};

void PrintTo(const DisplayTypeRow& row, std::ostream* os) {
  *os << "exponent " << row.exponent;
}

class PowCurveDisplayType : public testing::TestWithParam<DisplayTypeRow> {};

TEST_P(PowCurveDisplayType, FollowsTheExponent) {
  EXPECT_EQ(IParam::ShapePowCurve(GetParam().exponent).GetDisplayType(), GetParam().displayType);
}

INSTANTIATE_TEST_SUITE_P(Exponents, PowCurveDisplayType,
                         testing::Values(DisplayTypeRow{2, 4}, DisplayTypeRow{3, 6}, DisplayTypeRow{0.5, 3},
                                         DisplayTypeRow{1, 0}, DisplayTypeRow{0.3, 5}, DisplayTypeRow{2.5, 4},
                                         DisplayTypeRow{1.5, 0}, DisplayTypeRow{6, 6}));

TEST(ShapeExp, ReportsDisplayTypeOne) {
  EXPECT_EQ(IParam::ShapeExp().GetDisplayType(), 1);
}

TEST(ShapeLinear, ZeroStepEmptyRangeGivesNoNaN) {
  IParam param;
  param.InitDouble("p", 5.0, 5.0, 5.0, 0.0);
  EXPECT_EQ(param.GetMax(), 5.0);
  EXPECT_EQ(param.ToNormalized(5.0), 0.0);
  EXPECT_EQ(param.GetNormalized(), 0.0);
  EXPECT_EQ(param.FromNormalized(0.7), 5.0);
  param.SetNormalized(0.3);
  EXPECT_EQ(param.Value(), 5.0);
}

TEST(ShapeExp, MaxAtOrBelowZeroGivesNoNaN) {
  for (const double max : {0.0, -10.0}) {
    IParam param;
    param.InitDouble("p", -20.0, -20.0, max, 0.0, "", 0, "", IParam::ShapeExp());
    for (const double v : {0.0, 0.5, 1.0}) {
      EXPECT_FALSE(std::isnan(param.FromNormalized(v))) << max << " " << v;
      EXPECT_FALSE(std::isnan(param.ToNormalized(param.FromNormalized(v)))) << max << " " << v;
    }
    EXPECT_FALSE(std::isnan(param.GetNormalized()));
    EXPECT_FALSE(std::isnan(param.ToNormalized(-5.0)));
  }
}

TEST(ShapePowCurve, ValueBelowMinGivesZeroNotNaN) {
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 1.0, 0.0, "", 0, "", IParam::ShapePowCurve(3.0));
  EXPECT_EQ(param.ToNormalized(-0.5), 0.0);
}

TEST(Shape, TheParameterOwnsAnIndependentClone) {
  IParam::ShapePowCurve shape(2.0);
  IParam param;
  param.InitDouble("p", 0.0, 0.0, 1.0, 0.0, "", 0, "", shape);
  shape.mShape = 5.0;
  EXPECT_DOUBLE_EQ(param.FromNormalized(0.5), 0.25);
  const IParam::Shape* first = param.GetShape();
  EXPECT_NE(first, &shape);

  param.InitDouble("p", 0.0, 0.0, 1.0, 0.0, "", 0, "", IParam::ShapeLinear());
  EXPECT_DOUBLE_EQ(param.FromNormalized(0.5), 0.5);
  EXPECT_EQ(param.GetShape()->GetDisplayType(), 0);
}

}  // namespace
}  // namespace fx
