#pragma once
// A sandbox with the simulated amplifier on its amplifier port and a record
// set up as at start-up, for the benchmarks that run the amplifier link.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "amp_sim.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sandbox.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "state/works.h"

struct LinkRig {
  std::string root;
  sim::AmpSim amp;
  std::unique_ptr<Works> works = std::make_unique<Works>();
  SetupRecord setup{};

  explicit LinkRig(const char* name) {
    std::string tmpl = std::string("/tmp/hfamp-bench-") + name + "-XXXXXX";
    root = ::mkdtemp(tmpl.data());
    sim::makeSandbox(root);
    platform::setRoot(root);
    platform::setLogObserver([](const std::string&) {});
    amp.linkSlaveTo(root + "/dev/ttyAMA0");
    amp.start();
    std::strcpy(setup.LinPort, "/dev/ttyAMA0");
    works->setup = &setup;
    InitGlobalVar(works.get());
  }
  ~LinkRig() {
    amp.stop();
    platform::setLogObserver({});
    platform::setRoot("");
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};
