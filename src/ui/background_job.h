#pragma once
// Jobs started from the keys that take seconds or minutes (the program update,
// the remote service, a network restart, the remote checks, a factory reset)
// run one after another on a thread of their own, so the buttons keep working
// while they last; the screen names the job that runs.
struct Works;

// Queues `job`; `what` is the text shown while it runs (a literal).
void PostBackgroundJob(Works* works, const char* what, void (*job)(Works*));
// The text of the job that runs now, or nullptr.
const char* RunningBackgroundJob();
// Waits until every queued job has run (shut-down and tests).
void WaitBackgroundJobs();
// Tests of what a key does, rather than of when: jobs run at once on the
// caller's thread while set.
void SetBackgroundJobsInline(bool inlineJobs);
// Draws the running job's text above the button bar.
void DrawBackgroundJob(Works* works);
