#pragma once
// Fields of `works` owned by the user interface: timer loop, meters, pages.
#include <atomic>
#include <cstdint>

struct UiFields {
  std::atomic<int> pollDelayUs;  // sleep per timer-loop pass
  std::atomic<int> spanHz;       // spectrum span
  std::atomic<int> screenPage;
  std::atomic<int> menuPage;     // button-bar page shown
  std::atomic<int> number_ofStep_meter_FWD, number_ofStep_meter_REFL;
  std::atomic<int> number_ofStep_meter_SWR, number_ofStep_meter_PW;
};
