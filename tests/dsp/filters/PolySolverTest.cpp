#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

#include "dsp/filters/PolySolver.h"

namespace {

using Dsp::Complex;
using Dsp::PolySolver;

// Coefficients of prod (x - r), constant term first.
std::vector<Complex> expand(const std::vector<Complex>& roots) {
  std::vector<Complex> c{1.0};
  for (const Complex& r : roots) {
    std::vector<Complex> next(c.size() + 1, 0.0);
    for (size_t i = 0; i < c.size(); ++i) {
      next[i + 1] += c[i];
      next[i] -= r * c[i];
    }
    c = next;
  }
  return c;
}

void load(PolySolver& solver, const std::vector<Complex>& coefficients) {
  for (size_t i = 0; i < coefficients.size(); ++i) solver.coefficients()[i] = coefficients[i];
}

// Every expected root is matched by a distinct found root.
void expectSameRoots(const std::vector<Complex>& expected, const Complex* found, double tolerance) {
  std::vector<bool> used(expected.size(), false);
  for (const Complex& e : expected) {
    int best = -1;
    for (size_t j = 0; j < expected.size(); ++j) {
      if (!used[j] && (best < 0 || std::abs(found[j] - e) < std::abs(found[best] - e))) best = int(j);
    }
    ASSERT_GE(best, 0);
    used[best] = true;
    EXPECT_LT(std::abs(found[best] - e), tolerance) << "root " << e << " found as " << found[best];
  }
}

TEST(PolySolver, FindsTheRootsOfRandomPolynomialsUpToDegree20) {
  std::mt19937 random(1234);
  std::uniform_real_distribution<double> part(-1.5, 1.5);
  PolySolver solver(20);
  for (int degree = 1; degree <= 20; ++degree) {
    for (int trial = 0; trial < 5; ++trial) {
      std::vector<Complex> roots;
      for (int i = 0; i < degree; ++i) roots.emplace_back(part(random), part(random));
      load(solver, expand(roots));
      solver.solve(degree, true);
      SCOPED_TRACE(testing::Message() << "degree " << degree << " trial " << trial);
      expectSameRoots(roots, solver.roots(), 1e-7);
    }
  }
}

TEST(PolySolver, RealPolynomialGivesConjugatePairsAndExactRealRoots) {
  // (x - 2)(x^2 + 2x + 5): roots 2 and -1 +- 2i.
  PolySolver solver(3);
  load(solver, {-10.0, 1.0, 0.0, 1.0});
  solver.solve(3, true);
  expectSameRoots({2.0, {-1.0, 2.0}, {-1.0, -2.0}}, solver.roots(), 1e-12);
  solver.sort(3);
  EXPECT_GT(solver.roots()[0].imag(), 0.0);
  EXPECT_EQ(solver.roots()[1], Complex(2.0, 0.0));
  EXPECT_LT(solver.roots()[2].imag(), 0.0);
}

TEST(PolySolver, SortIsStableForEqualImaginaryParts) {
  PolySolver solver(4);
  Complex* r = solver.roots();
  r[0] = {1.0, 0.0};
  r[1] = {5.0, 2.0};
  r[2] = {2.0, 0.0};
  r[3] = {3.0, 2.0};
  solver.sort(4);
  EXPECT_EQ(r[0], Complex(5.0, 2.0));
  EXPECT_EQ(r[1], Complex(3.0, 2.0));
  EXPECT_EQ(r[2], Complex(1.0, 0.0));
  EXPECT_EQ(r[3], Complex(2.0, 0.0));
}

TEST(PolySolver, DegreeOneIsSolvedExactly) {
  PolySolver solver(1);
  load(solver, {6.0, -3.0});
  solver.solve(1, false);
  EXPECT_EQ(solver.roots()[0], Complex(2.0, 0.0));
}

TEST(PolySolver, EvalSumsThePowers) {
  PolySolver solver(2);
  load(solver, {1.0, 2.0, 3.0});
  EXPECT_EQ(solver.eval(2, Complex(0.0, 1.0)), Complex(-2.0, 2.0));
}

TEST(PolySolver, RefusesDegenerateInput) {
  PolySolver solver(4);
  load(solver, {1.0, 2.0, 0.0});
  EXPECT_THROW(solver.solve(2, true), std::logic_error);
  load(solver, {1.0, NAN, 1.0});
  EXPECT_THROW(solver.solve(2, true), std::logic_error);
  EXPECT_THROW(solver.solve(0, true), std::logic_error);
  EXPECT_THROW(solver.solve(5, true), std::logic_error);
  EXPECT_THROW(PolySolver(0), std::logic_error);
  EXPECT_THROW(PolySolver(PolySolver::kCapacity + 1), std::logic_error);
}

TEST(PolySolver, MultipleRootIsFound) {
  // (x + 1)^4: Laguerre's method converges on a multiple root.
  PolySolver solver(4);
  load(solver, {1.0, 4.0, 6.0, 4.0, 1.0});
  solver.solve(4, true);
  for (int i = 0; i < 4; ++i) EXPECT_LT(std::abs(solver.roots()[i] + 1.0), 1e-3);
}

}  // namespace
