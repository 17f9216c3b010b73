#pragma once
// A `Works` record with the sub-records main would own, for tests that call
// the program's functions in-process inside a sandbox.
#include <memory>
#include <mutex>

#include "sandbox_fixture.h"
#include "state/setup_record.h"
#include "state/works.h"

struct OwnedWorks {
  std::unique_ptr<Works> works = std::make_unique<Works>();
  std::unique_ptr<SetupRecord> setup = std::make_unique<SetupRecord>();
  std::mutex connMutex, wsMutex, serMutex;

  OwnedWorks() {
    works->setup = setup.get();
    works->connMutexPtr = &connMutex;
    works->mutexPtr = &wsMutex;
    works->serMutexPtr = &serMutex;
    works->running = 1;
  }
  Works* operator->() { return works.get(); }
  Works* get() { return works.get(); }
};

class WorksTest : public SandboxTest {
 protected:
  OwnedWorks w_;
};
