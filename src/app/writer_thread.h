#pragma once
// The file writer ("writer"): every save under "/opt/set" is done on this one
// thread, so the amplifier link, the timer and the buttons never wait on the
// card.
// Starts it; from then on saves are queued instead of written by their caller.
void StartWriterThread();
// Writes everything still queued and joins it; later saves are written by
// their caller again.
void StopWriterThread();
