#pragma once
struct Works;

// The loading countdown shown during start-up.
void LoadThread(Works* works);
// Waits 30 s, then removes the update marker ("AGGFW": firmware update).
void AggFWThread(Works* works);
// The marker removal AggFWThread runs 30 s after start.
void RemoveUpdateMarker(Works* works);
