#include "ui/background_job.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "display/text.h"
#include "platform/log.h"
#include "state/works.h"

namespace {

struct Job {
  Works* works;
  const char* what;
  void (*run)(Works*);
};

constexpr int kFont = 8, kX = 5, kY = 400;

class Runner {
 public:
  ~Runner() {
    // Normally drained at shut-down; a job still running then (an open
    // service shell) is left to the end of the process.
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    lock.unlock();
    if (thread_.joinable()) thread_.detach();
  }
  void post(const Job& job) {
    std::lock_guard lock(mutex_);
    queue_.push_back(job);
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
    wake_.notify_all();
  }
  void waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && running_ == nullptr; });
  }
  const char* running() const { return running_; }

 private:
  void loop() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
      if (queue_.empty()) {
        wake_.wait(lock);
        continue;
      }
      const Job job = queue_.front();
      queue_.pop_front();
      running_ = job.what;
      lock.unlock();
      platform::errPrintf("job started: %s\n", job.what);
      job.run(job.works);
      platform::errPrintf("job ended: %s\n", job.what);
      lock.lock();
      running_ = nullptr;
      idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Job> queue_;
  std::atomic<const char*> running_{nullptr};
  bool stopping_ = false;
  std::thread thread_;
};

Runner gRunner;
std::atomic<bool> gInline{false};

}  // namespace

void PostBackgroundJob(Works* w, const char* what, void (*job)(Works*)) {
  if (gInline) {
    job(w);
    return;
  }
  gRunner.post({w, what, job});
}

const char* RunningBackgroundJob() { return gRunner.running(); }

void WaitBackgroundJobs() { gRunner.waitIdle(); }

void SetBackgroundJobsInline(bool inlineJobs) { gInline = inlineJobs; }

void DrawBackgroundJob(Works* w) {
  const char* what = RunningBackgroundJob();
  if (!what) return;
  char text[96];
  std::snprintf(text, sizeof text, "%s: running, the keys stay in use", what);
  putString(kFont, kX, kY, text, 250, 250, 0, w->fb, 0, 0, 0, 0);
}
