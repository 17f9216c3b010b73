#pragma once
// What the link does after an exchange: resend, give up, or choose the next command.
struct Works;

// A failed exchange (silence, failed read, rejected or unknown reply): resend
// the same command up to three times, then raise the communication error
// (at most once per 2 s hold-off) and go back to status polling.
void GestRetrayCMD(Works* works);
// After a good reply other than status: the next queued code while a burst
// (`cmdQueueActive`) runs, else state `next`.
void NextCmdPriority(Works* works, int next);
// After a status reply: clears the retry count, then a queued code, "FM;", or
// the automatic tuning step, by `tunerRunning`.
void NextCmdAfterStatus(Works* works);
// The reply of the command in flight cannot be trusted (bad checksum): a
// command from the outbox stays wanted and is sent again later.
void DropUnconfirmedCmd(Works* works);
