#include "thermistor.h"

#include <cmath>

namespace sim {
namespace {

// Temperature (degrees C) and resistance (kOhm), ascending in temperature.
constexpr double kPairs[][2] = {
    {-40, 347.808}, {-35, 248.591}, {-30, 179.973}, {-25, 131.832}, {-20, 97.679}, {-15, 73.119}, {-10, 55.301},
    {-5, 42.257},   {0, 32.582},    {5, 25.324},    {10, 19.847},   {15, 15.679},  {20, 12.478},  {25, 10.000},
    {30, 8.068},    {35, 6.552},    {40, 5.353},    {45, 4.399},    {50, 3.635},   {55, 3.020},   {60, 2.521},
    {65, 2.115},    {70, 1.783},    {75, 1.510},    {80, 1.284},    {85, 1.096},   {90, 0.939},   {95, 0.808},
    {100, 0.698},   {105, 0.605},   {110, 0.527},   {115, 0.460},   {120, 0.403},  {125, 0.354}};
constexpr int kCount = sizeof kPairs / sizeof kPairs[0];

}  // namespace

double thermistorKOhm(double t) {
  if (t <= kPairs[0][0]) return kPairs[0][1];
  for (int i = 1; i < kCount; ++i) {
    if (t > kPairs[i][0]) continue;
    double t0 = kPairs[i - 1][0], r0 = kPairs[i - 1][1], t1 = kPairs[i][0], r1 = kPairs[i][1];
    return r0 + (t - t0) * (r1 - r0) / (t1 - t0);
  }
  return kPairs[kCount - 1][1];
}

int thermistorRaw(double celsius) {
  double r = thermistorKOhm(celsius);
  return static_cast<int>(std::lround(4095.0 * r / (10.0 + r)));
}

}  // namespace sim
