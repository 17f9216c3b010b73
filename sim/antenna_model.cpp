#include "antenna_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace sim {
namespace {

constexpr double kLightMps = 299792458.0;
constexpr double kEta = 376.730313;  // free-space wave impedance, ohm
constexpr double kMinHz = 1e3, kMaxHz = 1e9;
constexpr double kMaxOhm = 1e6;

// The dipole. A wire of this radius (2 mm diameter, AWG 12) some ten
// thousand diameters long resonates about 4.6 % short of half a free-space
// wavelength (the familiar 143/f metres); the end effect is applied as a
// shorter electrical wavelength along the wire.
constexpr double kWireRadiusM = 1e-3;
constexpr double kEndEffect = 0.954;
// Wire, balun and ground losses seen at the feed point.
constexpr double kFeedLossOhm = 1.0;

// Radiation resistance referred to the current maximum of a centre-fed
// dipole with electrical half-length `theta` (beta h): the radiated power of
// the sinusoidal current, 60 x integral over the polar angle of
// (cos(theta cos p) - cos theta)^2 / sin p. Simpson's rule over half the
// range (the pattern is symmetric), with enough points for the lobes of a
// wire many wavelengths long.
double radiationResistance(double theta) {
  const double ct = std::cos(theta);
  auto f = [&](double p) {
    const double s = std::sin(p);
    if (s < 1e-12) return 0.0;  // the pattern vanishes along the wire
    const double d = std::cos(theta * std::cos(p)) - ct;
    return d * d / s;
  };
  int n = 64 + 2 * static_cast<int>(4 * theta);
  const double h = (std::numbers::pi / 2) / n;
  double sum = f(0) + f(std::numbers::pi / 2);
  for (int i = 1; i < n; ++i) sum += f(i * h) * (i % 2 ? 4 : 2);
  return 2 * 60.0 * sum * h / 3;
}

bool passive(double r, double x) {
  return std::isfinite(r) && std::isfinite(x) && r >= 0 && r <= kMaxOhm && std::fabs(x) <= kMaxOhm;
}

std::optional<double> number(std::string_view s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

// The dipole as an open-ended transmission line, each arm a line of
// Schelkunoff's mean characteristic impedance Z0 = 120 (ln(2h/a) - 1) whose
// attenuation stands for the power radiated: alpha h = Rr / Z0 with Rr the
// radiation resistance at the current maximum. The input of such a line,
//   Z = Z0 (sinh 2ah - j sin 2bh) / (cosh 2ah - cos 2bh),
// gives Rr / sin^2(bh) - j Z0 cot(bh) away from the antiresonances (the
// textbook short-dipole and half-wave values) and a finite, high resistance
// at the full-wave antiresonance, where the induced-EMF formula runs to
// infinity. Good to some tens of percent across 1.8-54 MHz, which is all a
// tuner test needs: the right resonances and the right trends between them.
Impedance DipoleImpedance(double lengthM, double hz) {
  hz = std::clamp(hz, kMinHz, kMaxHz);
  const double h = lengthM / 2;
  const double z0 = 120 * (std::log(2 * h / kWireRadiusM) - 1);
  const double theta = 2 * std::numbers::pi * hz / (kLightMps * kEndEffect) * h;
  const double ah = radiationResistance(theta) / z0;
  const double den = std::cosh(2 * ah) - std::cos(2 * theta);
  return Impedance(z0 * std::sinh(2 * ah) / den + kFeedLossOhm, -z0 * std::sin(2 * theta) / den);
}

std::optional<LoadModel> LoadModel::Fixed(double r, double x) {
  if (!passive(r, x)) return std::nullopt;
  LoadModel m;
  m.kind_ = Kind::kFixed;
  m.fixed_ = {r, x};
  return m;
}

std::optional<LoadModel> LoadModel::Dipole(double lengthM) {
  if (!(lengthM >= 1 && lengthM <= 500)) return std::nullopt;
  LoadModel m;
  m.kind_ = Kind::kDipole;
  m.lengthM_ = lengthM;
  return m;
}

std::optional<LoadModel> LoadModel::Table(std::vector<LoadPoint> points) {
  if (points.empty() || points.size() > kMaxTablePoints) return std::nullopt;
  for (const LoadPoint& p : points)
    if (!passive(p.r, p.x) || !(p.hz >= kMinHz && p.hz <= kMaxHz)) return std::nullopt;
  std::sort(points.begin(), points.end(), [](const LoadPoint& a, const LoadPoint& b) { return a.hz < b.hz; });
  for (size_t i = 1; i < points.size(); ++i)
    if (points[i].hz == points[i - 1].hz) return std::nullopt;  // two impedances for one frequency
  LoadModel m;
  m.kind_ = Kind::kTable;
  m.table_ = std::move(points);
  return m;
}

Impedance LoadModel::at(double hz) const {
  switch (kind_) {
    case Kind::kFixed: return fixed_;
    case Kind::kDipole: return DipoleImpedance(lengthM_, hz);
    case Kind::kTable: break;
  }
  if (!(hz > table_.front().hz)) return {table_.front().r, table_.front().x};
  if (!(hz < table_.back().hz)) return {table_.back().r, table_.back().x};
  auto hi = std::upper_bound(table_.begin(), table_.end(), hz, [](double f, const LoadPoint& p) { return f < p.hz; });
  const LoadPoint& b = *hi;
  const LoadPoint& a = *(hi - 1);
  const double t = (hz - a.hz) / (b.hz - a.hz);
  return {a.r + t * (b.r - a.r), a.x + t * (b.x - a.x)};
}

double LoadModel::resonanceHz() const {
  return kind_ == Kind::kDipole ? kLightMps * kEndEffect / (2 * lengthM_) : 0;
}

std::string LoadModel::describe() const {
  char buf[120];
  switch (kind_) {
    case Kind::kFixed:
      std::snprintf(buf, sizeof buf, "fixed %.1f%+.1fj ohm", fixed_.real(), fixed_.imag());
      break;
    case Kind::kDipole:
      std::snprintf(buf, sizeof buf, "dipole %.2f m (half-wave at %.3f MHz)", lengthM_, resonanceHz() / 1e6);
      break;
    case Kind::kTable:
      std::snprintf(buf, sizeof buf, "table of %zu points, %.6f-%.6f MHz", table_.size(), table_.front().hz / 1e6,
                    table_.back().hz / 1e6);
      break;
  }
  return buf;
}

std::optional<std::vector<LoadPoint>> ParseLoadPoints(std::string_view text) {
  std::vector<LoadPoint> points;
  while (!text.empty() || points.empty()) {
    const size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (comma != std::string_view::npos && text.empty()) return std::nullopt;  // a trailing comma
    const size_t c1 = item.find(':');
    const size_t c2 = c1 == std::string_view::npos ? c1 : item.find(':', c1 + 1);
    if (c2 == std::string_view::npos || item.find(':', c2 + 1) != std::string_view::npos) return std::nullopt;
    auto f = number(item.substr(0, c1)), r = number(item.substr(c1 + 1, c2 - c1 - 1)), x = number(item.substr(c2 + 1));
    if (!f || !r || !x) return std::nullopt;
    points.push_back({*f, *r, *x});
    if (points.size() > LoadModel::kMaxTablePoints) return std::nullopt;
  }
  return points;
}

}  // namespace sim
