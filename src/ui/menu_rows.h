#pragma once
// The setup list opened by the SET key: 33 rows, each a setting or an action,
// the value text each row shows, and the live captions of the utility pages.
// What the keys do to each row is in ModifyParameter (ui/menu.h).
#include <atomic>
#include <cstdint>

struct Works;

inline constexpr int kMenuRowCount = 33;
inline constexpr int kMenuItems = 10;
inline constexpr int kMenuTextSize = 21;   // 20 characters and the terminator
inline constexpr int kMenuValueSize = 32;  // room LoadParameterMenu needs in `out`

// The rows in list order (the values of works->menuRow).
enum MenuRowNo : int {
  kRowMaxBank,
  kRowFreqSens,
  kRowFreqPeriod,
  kRowAutoTune,
  kRowForceAttenuator,
  kRowTargetSwr,
  kRowTuneTimeout,
  kRowAtuInstalled,
  kRowUseMode,
  kRowIp,
  kRowSubnet,
  kRowGateway,
  kRowDns,
  kRowRefLevel,
  kRowRefPos,
  kRowPointDiv,
  kRowOffset,
  kRowFilterView,
  kRowTuneSearch,
  kRowDateTime,
  kRowTempUnits,
  kRowPeakMeter,
  kRowPeakTime,
  kRowTempAlarm1,
  kRowTempAlarm2,
  kRowPowerUnits,
  kRowSaverTimeout,
  kRowFactoryDefault,
  kRowLongPress,
  kRowOffHw,
  kRowFwUpdate,
  kRowUiUpdate,
  kRowRemoteService,
};

struct MenuItem {
  char label[kMenuTextSize];  // the row's label; one space when blank
  uint8_t direct;             // 1 would keep ENTER on the list page; no row uses it
  uint8_t address;            // 1: an address edited byte by byte with a cursor
};

struct MenuRow {
  int id;  // shown before the row as "%d -"
  char title[kMenuTextSize];
  MenuItem items[kMenuItems];  // only item 0 is used
  int count;                   // sub-items in use: 1
};

// The rows, fixed for the whole run.
extern const MenuRow menuPar[kMenuRowCount];

// True for the four address rows, whose value is edited with a cursor.
bool MenuRowHasCursor(int row);

// The on/off choices of rows that act rather than store a setting; they live in
// memory only, and ENTER carries them out.
struct MenuChoices {
  std::atomic<bool> filterView;      // "FILTER SETTINGS"
  std::atomic<bool> factoryDefault;  // "FACTORY DEFAULT": "Set Default"
  std::atomic<bool> fwUpdate;        // "FW UPDATE"
  std::atomic<bool> uiUpdate;        // "UI UPDATE"
  std::atomic<bool> remoteService;   // "REMOTE SERVICE"
};
extern MenuChoices menuChoices;
// Puts every choice back to off (menu start-up).
void ResetMenuChoices();

// Writes the value text of `row` into `out` (at least kMenuValueSize bytes).
// With `flag` set, the rows that show their value only while edited (use mode,
// temperature and power units, peak meter, screen saver, factory default and
// the four actions) write an empty text. An address row first
// rebuilds its text from its bytes; when it is the selected row it also
// publishes its bytes and cursor (LAN_vect, LAN_idx) for the cursor drawing.
void LoadParameterMenu(Works* works, char* out, int row, int flag);

// A temperature alarm set point (kept in degrees Celsius) in the unit the
// screen shows: degrees Fahrenheit while TempMode is 1.
double SetPointShown(const Works* works, double celsius);
// The set point in degrees Celsius of a value in the unit shown.
double SetPointFromShown(const Works* works, double shown);

// The interface label of type 0..2: "Generic", "KTXVYR", " FT-817"; one space
// for any other type. `out` needs 8 bytes.
void GetLblInterface(int type, char* out);

// The live captions of the bank-copy page (origin and destination bank), the
// bank-reset page (the bank, or "  ALL") and the utilities page (the interface).
void LblCOPY(Works* works);         // captions of the bank-copy page ("Lbl": label)
void LblRESET(Works* works);        // captions of the bank-reset page
void LblMenuAntenna(Works* works);  // the interface caption of the utilities page
