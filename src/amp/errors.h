#pragma once
// The error and warning list: numbered errors 0..24 raised and cleared by any
// thread, each with a fixed descriptor (reaction flags and two short lines).
// The list is guarded by works->errorMutex; use these functions, never the
// fields directly.
#include <cstdint>

#include "state/protection_fields.h"

struct Works;

// Error codes.
enum ErrorCode : int {
  kErrTemp1After = 0,  // sensor 1 was above its limit (cleared by the error key)
  kErrHighSwr = 1,
  kErrTemp1Alarm = 2,
  kErrPwrIn = 3,
  kErrComm = 4,  // retries exhausted; line 2 names the command
  kErrRemoteUsb = 5,
  kErrAudio = 6,
  kErrVyrMode = 7,
  kErrExtIo = 8,
  kErrAudioRead = 9,
  kErrAudioWrite = 10,
  kErrWebSocket = 11,
  kErrTuneTimeout = 12,
  kErrTuneSwr = 13,
  kErrTuneAbort = 14,
  kErrProtection = 15,  // line 2 carries the trip detail
  kErrMicroReset = 16,
  kErrCmdNotAvailable = 17,
  kErrTuneMaxSwr = 18,
  kErrBand = 19,
  kErrRemoteCat = 20,
  kErrTemp2After = 21,
  kErrTemp2Alarm = 22,
  kErrTemp1Warn = 23,
  kErrTemp2Warn = 24,
};

// Descriptor flag bits.
inline constexpr uint8_t kErrDescAlarm = 1;       // key drawn red
inline constexpr uint8_t kErrDescProtection = 2;  // needs a bias reset
inline constexpr uint8_t kErrDescTemporary = 4;   // removed by the error key

// works->errorFlags bits.
inline constexpr uint8_t kErrFlagBiasReset = 1;     // a protection error is active
inline constexpr uint8_t kErrFlagResetPending = 2;  // reset asked, awaiting the amplifier
inline constexpr uint8_t kErrFlagTemporary = 4;     // temporary warnings present

// Restores works->errorTable to the built-in texts (menu initialisation).
void InitErrorTable(Works* works);
// A copy of the current descriptor of `code` (an empty one when out of range).
ErrorDescriptor GetErrorDescriptor(Works* works, int code);
// Rewrites line 2 of `code` (codes 4 and 15 carry a detail), truncated to fit.
void SetErrorLine2(Works* works, int code, const char* text);
// Copies the active codes, oldest first, into out; returns their number.
int ErrorSnapshot(Works* works, int (&out)[kNumErrors]);

// Raises error `code` ("errore": error); a code already raised stays once.
void AddErrore(Works* works, int code);
// Clears error `code`.
void DeleteErrore(Works* works, int code);
// 1 when error `code` is raised, else 0.
int ExistError(Works* works, int code);
// The oldest active code, or -1.
int ExistAnError(Works* works);
// Clears the temporary warnings ("temporanei": temporary).
void VerifyWarningTemporanei(Works* works);
// Clears the temporary warnings once a protection reset has been answered ("dopo": after).
void VerifyWarningTemporaneiDopoResetBias(Works* works);
// Queues the protection reset and the commands that restore the amplifier state.
void ResetBiasCmd(Works* works);
// Clears the error shown on the button bar.
void ClearDisplayError(Works* works);
// Checks whether errors remain and re-arms the error key ("verifica esistono errori": check errors exist).
void VerificaEsistonoErrori(Works* works);
// The error key action.
void GestErrore(Works* works);
// Restarts the remote-operation threads after an error, when they ran.
void GestErroreRemote(Works* works);
// Button 1: 1 when the press was used for error handling, 0 otherwise.
int GPIO_Errori(Works* works);
// Completion of a bias reset, called by the status decoder.
void GestErroreSerial(Works* works);
// 1 when an error other than 2, 22, 23 and 24 is active.
int VerifyError(Works* works);
