#pragma once
// Dynamic button captions that show tuner, bank and attenuation state. Each
// writes only while its page is the one shown; the caption is the bottom line of
// the button (index 0..5 = buttons 1..6).
struct Works;

// Page 0, button 1: "BANK%i" with `NumBanco`.
void SetModeWorkLabel(Works* works);
// Page 0, button 2: the attenuation, or "StBy" while the amplifier is bypassed.
void SetAttenuatorLabel(Works* works);
// Page 3, button 5: the tuner bypass state.
void LabelByPassATU(Works* works);
// Page 3, button 5: a caption chosen by the caller.
void LabelByPassLumo(Works* works, const char* text);
// Page 8, buttons 2 and 3: the target bank and antenna of a tune save.
void LabelSAVEATU(Works* works);
// Page 4, buttons 1, 3 and 5: network mode, inductance and capacitance.
void ImpostaLblManuale(Works* works);
// Page 4, button 1: the mode caption written by SetMode.
void SetManualModeLabel(Works* works, int mode);

inline constexpr int kPageMain = 0;
inline constexpr int kPageTune = 3;
inline constexpr int kPageManual = 4;
inline constexpr int kPageSaveTune = 8;
