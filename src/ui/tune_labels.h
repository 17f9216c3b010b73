#pragma once
// Named refreshes of the captions that show tuner, bank and attenuation state.
// The timer loop pulls every live caption of the shown page each tick; these
// serve code that wants a caption right at once. Each does nothing unless its
// page is shown.
struct Works;

void SetModeWorkLabel(Works* works);                      // main page: "BANK%i"
void SetAttenuatorLabel(Works* works);                    // main page: standby or the attenuation
void LabelByPassATU(Works* works);                        // tuner page: "   Bpy" or "   On"
void LabelByPassLumo(Works* works, const char* text);     // tuner page: `text` in the same caption
void LabelSAVEATU(Works* works);                          // save-tune page: the chosen bank and antenna
void ImpostaLblManuale(Works* works);                     // manual page: L, C and the network ("imposta": set)
