#pragma once

// Counts completed receiver transfers down to the next spectrum: one spectrum
// per `Divide` transfers. The count carries over between receiver starts.
class SpectrumCountdown {
 public:
  // Returns true when this transfer is the one to transform. A setting below 1
  // is taken as 1: counting past zero would silence the spectrum for good.
  bool Tick(int divideSetting) {
    if (--left_ > 0) return false;
    left_ = divideSetting < 1 ? 1 : divideSetting;
    return true;
  }

 private:
  int left_ = 1;
};
