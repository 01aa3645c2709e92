#include "cli/motion/plain_trigonometry.h"

#include <cmath>

namespace quorvel::cli {
namespace {

constexpr double kPi = 3.141592653589793116;
// pi / 2 in two parts (Cody and Waite), so x - k pi / 2 loses no digits.
constexpr double kHalfPiHigh = 1.57079632673412561417;
constexpr double kHalfPiLow = 6.07710050650619224932e-11;

// Taylor series on [-pi/4, pi/4]: the terms left out are below 1e-17.
double sinSeries(double r) {
  const double r2 = r * r;
  double term = r, sum = r;
  for (int n = 1; n <= 11; ++n) {
    term = -term * r2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double cosSeries(double r) {
  const double r2 = r * r;
  double term = 1.0, sum = 1.0;
  for (int n = 1; n <= 11; ++n) {
    term = -term * r2 / static_cast<double>((2 * n - 1) * (2 * n));
    sum += term;
  }
  return sum;
}

// x as k pi / 2 + r with |r| <= pi / 4.
double reduce(double x, long& quadrant) {
  const double k = std::floor(x / (kPi / 2) + 0.5);
  quadrant = static_cast<long>(k);
  return (x - k * kHalfPiHigh) - k * kHalfPiLow;
}

// atan(t) for |t| <= 1: halving the angle three times brings t below
// 0.11, where the series converges fast.
double atanSmall(double t) {
  int halvings = 0;
  while (std::fabs(t) > 0.1 && halvings < 4) {
    t = t / (1.0 + std::sqrt(1.0 + t * t));
    ++halvings;
  }
  const double t2 = t * t;
  double power = t, sum = t;
  for (int n = 1; n <= 14; ++n) {
    power = -power * t2;
    sum += power / static_cast<double>(2 * n + 1);
  }
  for (int h = 0; h < halvings; ++h) sum *= 2.0;
  return sum;
}

}  // namespace

double plainSin(double x) {
  long quadrant = 0;
  const double r = reduce(x, quadrant);
  switch (((quadrant % 4) + 4) % 4) {
    case 0:
      return sinSeries(r);
    case 1:
      return cosSeries(r);
    case 2:
      return -sinSeries(r);
    default:
      return -cosSeries(r);
  }
}

double plainCos(double x) {
  long quadrant = 0;
  const double r = reduce(x, quadrant);
  switch (((quadrant % 4) + 4) % 4) {
    case 0:
      return cosSeries(r);
    case 1:
      return -sinSeries(r);
    case 2:
      return -cosSeries(r);
    default:
      return sinSeries(r);
  }
}

double plainAtan2(double y, double x) {
  if (x == 0.0 && y == 0.0) return 0.0;
  if (std::fabs(y) <= std::fabs(x)) {
    const double a = atanSmall(y / x);
    if (x > 0.0) return a;
    return y >= 0.0 ? a + kPi : a - kPi;
  }
  const double a = atanSmall(x / y);
  return y > 0.0 ? kPi / 2 - a : -kPi / 2 - a;
}

double plainAsin(double x) {
  if (x >= 1.0) return kPi / 2;
  if (x <= -1.0) return -kPi / 2;
  return plainAtan2(x, std::sqrt((1.0 - x) * (1.0 + x)));
}

}  // namespace quorvel::cli
