#pragma once
// The screen saver: after a chosen time without a key or touch the start
// picture replaces the working screen until the next key.
struct Works;

// Minutes of the choices of the SaveScreenIdx setting, and their labels.
inline constexpr int SaveScreen[5] = {5, 10, 20, 30, 60};
inline constexpr char SaveScreenVal[5][8] = {"5min", "10min", "20min", "30min", "60min"};

// True when `elapsedSec` since the last key has reached the timeout chosen by
// `saveScreenIdx` (an index out of range counts as the longest). Whole elapsed
// minutes count, so every choice, "60min" too, can start the saver.
bool SaverDue(long elapsedSec, int saveScreenIdx);

// Starts the saver when due: sets saverOn and loads the start picture as the
// background. Returns true when it started the saver on this call. While the
// amplifier transmits, an error or alarm is listed or a tune runs, the saver
// stays away (and a saver already on wakes); its timeout counts from then.
bool RunScreenSaver(Works* works, long nowSec);
