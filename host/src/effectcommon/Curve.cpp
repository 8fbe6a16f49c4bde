// Tone curves from control points or samples.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "obrisk/effectcommon/ColorTables.h"

namespace Obrisk::Proc::Curve {
namespace {

// Fritsch-Carlson tangents: the mean of the neighbouring secants where they
// agree in sign (zero elsewhere), then scaled down where a segment's pair of
// tangents would overshoot (alpha^2 + beta^2 > 9).
std::vector<double> MonotoneTangents(const std::vector<std::array<float, 2>>& p) {
  const std::size_t n = p.size();
  std::vector<double> secant(n - 1);
  for (std::size_t k = 0; k + 1 < n; ++k) {
    secant[k] = (double(p[k + 1][1]) - p[k][1]) / (double(p[k + 1][0]) - p[k][0]);
  }
  std::vector<double> m(n);
  m.front() = secant.front();
  m.back() = secant.back();
  for (std::size_t k = 1; k + 1 < n; ++k) {
    m[k] = secant[k - 1] * secant[k] > 0.0 ? (secant[k - 1] + secant[k]) / 2.0 : 0.0;
  }
  constexpr double kOvershootLimit = 9.0;
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (secant[k] == 0.0) {
      m[k] = m[k + 1] = 0.0;
      continue;
    }
    const double a = m[k] / secant[k];
    const double b = m[k + 1] / secant[k];
    const double length = a * a + b * b;
    if (length > kOvershootLimit) {
      const double tau = 3.0 / std::sqrt(length);
      m[k] = tau * a * secant[k];
      m[k + 1] = tau * b * secant[k];
    }
  }
  return m;
}

// The cubic Hermite segment from point k to k + 1 at x.
double Hermite(const std::vector<std::array<float, 2>>& p, const std::vector<double>& m,
               std::size_t k, double x) {
  const double h = double(p[k + 1][0]) - p[k][0];
  const double t = (x - p[k][0]) / h;
  const double t2 = t * t;
  const double t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * p[k][1] + (t3 - 2 * t2 + t) * h * m[k] +
         (-2 * t3 + 3 * t2) * p[k + 1][1] + (t3 - t2) * h * m[k + 1];
}

[[noreturn]] void Fail(const std::string& problem) {
  throw std::invalid_argument(fmt::format("curve: {}", problem));
}

float ParseNumber(std::string_view word) {
  float value = 0.0f;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) {
    Fail(fmt::format("'{}' is not a number", word));
  }
  return value;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(" \t\r\n", at)) != std::string_view::npos) {
    const std::size_t stop = std::min(text.find_first_of(" \t\r\n", at), text.size());
    words.push_back(text.substr(at, stop - at));
    at = stop;
  }
  return words;
}

}  // namespace

CurvePoints FromControlPoints(const std::vector<std::array<float, 2>>& points) {
  if (points.size() < 2) Fail("needs at least two control points");
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    if (!(points[k][0] < points[k + 1][0])) {
      Fail(fmt::format("control point x values must rise, but {} follows {}", points[k + 1][0],
                       points[k][0]));
    }
  }
  const std::vector<double> tangents = MonotoneTangents(points);
  CurvePoints curve;
  curve.minDomain = points.front()[0];
  curve.maxDomain = points.back()[0];
  curve.samples.resize(kSamplesPerCurve);
  std::size_t k = 0;
  for (int i = 0; i < kSamplesPerCurve; ++i) {
    const double x =
        curve.minDomain + (double(curve.maxDomain) - curve.minDomain) * i / (kSamplesPerCurve - 1);
    while (k + 2 < points.size() && x > points[k + 1][0]) ++k;
    curve.samples[i] = static_cast<float>(Hermite(points, tangents, k, x));
  }
  return curve;
}

CurvePoints Parse(std::string_view text) {
  const std::vector<std::string_view> words = Words(text);
  const bool controlPoints = text.find(',') != std::string_view::npos;
  if (!controlPoints) {
    CurvePoints curve;
    for (auto word : words) curve.samples.push_back(ParseNumber(word));
    if (curve.samples.size() < 2) Fail("needs at least two samples");
    return curve;
  }
  std::vector<std::array<float, 2>> points;
  for (auto word : words) {
    const std::size_t comma = word.find(',');
    if (comma == std::string_view::npos) Fail(fmt::format("'{}' is not an x,y pair", word));
    points.push_back({ParseNumber(word.substr(0, comma)), ParseNumber(word.substr(comma + 1))});
  }
  return FromControlPoints(points);
}

}  // namespace Obrisk::Proc::Curve
