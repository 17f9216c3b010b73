#pragma once
// Fields of `works` owned by the transceiver and receiver links.
#include <atomic>
#include <cstdint>

#include "state/ext_io_params.h"

struct LinksFields {
  // External IO link: its port, and the parameter record under serMutexPtr.
  std::atomic<int> serFD;
  ExtIoParams extIoParams;
  // FT-817 CAT link: its port.
  std::atomic<int> catSerFD;
  // The companion transceiver's CAT port found by VerifyCAT, for the relay.
  std::atomic<int> catFD;
  // Set by the Retry key of the failed-link page: a link whose port is not
  // open tries it again at once instead of at its next interval.
  std::atomic<bool> serReopenRequested, catSerReopenRequested;
};
