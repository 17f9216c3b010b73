#include "state/thread_starter.h"

#include "state/works.h"

void StartLinkThread(Works* works, LinkThread which) {
  if (const ThreadStarter* s = works->threadStarter; s && s->start) s->start(works, which);
}

void StartRemoteThreads(Works* works) {
  if (const ThreadStarter* s = works->threadStarter; s && s->startRemote) s->startRemote(works);
}

void StopRemoteThreads(Works* works) {
  if (const ThreadStarter* s = works->threadStarter; s && s->stopRemote) s->stopRemote(works);
}
