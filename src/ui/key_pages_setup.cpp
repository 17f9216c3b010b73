// Keys of the setup list and value editing, and of the utility pages: band
// table, bank copy and reset, filters.
#include "display/png.h"
#include "state/table_types.h"
#include "state/works.h"
#include "tables/antenna_tables.h"
#include "tables/banks.h"
#include "tables/filter_table.h"
#include "ui/confirm_press.h"
#include "ui/key_pages.h"
#include "ui/menu.h"
#include "ui/menu_rows.h"
#include "ui/value_edit_session.h"

namespace {

constexpr int kBandColumns = 5;

}  // namespace

int KeysSetupList(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      w->menuPage = kLumoMain;
      break;
    case 3:
      w->menuSub = 0;
      w->menuRow = WrapStep(w->menuRow, -1, w->menuRows);
      break;
    case 4:
      w->menuRow = WrapStep(w->menuRow, 1, w->menuRows);
      w->menuSub = 0;
      break;
    case 6:
      BeginValueEdit(w);
      w->menuPage = kLumoValueEdit;
      break;
  }
  return 0;
}

namespace {

void leaveValueEdit(Works* w) {
  w->menuPage = (w->statusView & kViewUtilities) ? kLumoUtilities
                : (w->statusView & kViewFilters) ? kLumoFilters
                                                 : kLumoSetupList;
}

// A factory reset erases every bank and the setup: ENTER must come twice.
bool factoryResetArmed(Works* w) {
  return w->menuRow == kRowFactoryDefault && menuChoices.factoryDefault && !ConfirmPress(kConfirmFactoryReset);
}

}  // namespace

int KeysValueEdit(Works* w, const KeyPress& key) {
  // "<" and ">" move an address row's cursor; on the other rows their buttons
  // are blank and do nothing.
  const bool cursor = MenuRowHasCursor(w->menuRow);
  if (key.button != 6) DisarmConfirm();
  switch (key.button) {
    case 1:
      CancelValueEdit(w);
      leaveValueEdit(w);
      break;
    case 2:
      return cursor ? ModifyParameter(w, kMenuLeft) : 0;
    case 3:
      return cursor ? ModifyParameter(w, kMenuRight) : 0;
    case 4:
      return ModifyParameter(w, kMenuMinus);
    case 5:
      return ModifyParameter(w, kMenuPlus);
    case 6:
      if (factoryResetArmed(w)) break;  // the countdown runs on this page
      ModifyParameter(w, kMenuEnter);
      leaveValueEdit(w);
      break;
  }
  return 0;
}

int KeysUtilities(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      w->statusView &= ~kViewUtilities;
      SetWorkImg(w);
      w->menuPage = kLumoMain;
      break;
    case 2:
      ChangeInterfaceBanco(w);
      break;
    case 3:
      w->bandSelRow = WrapStep(w->bandSelRow, -1, w->bandRows);
      break;
    case 4:
      w->bandSelRow = WrapStep(w->bandSelRow, 1, w->bandRows);
      break;
    case 5:
      w->menuPage = kLumoBankUtilities;
      break;
    case 6:
      w->bandSelCol = 0;
      w->menuPage = kLumoAntennaEdit;
      break;
  }
  return 0;
}

int KeysAntennaEdit(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      LoadTabConfig(w, w->NumBanco);  // edits not saved are dropped
      w->bandSelCol = -1;
      w->menuPage = kLumoUtilities;
      break;
    case 2:
      w->bandSelCol = WrapStep(w->bandSelCol, -1, kBandColumns);
      break;
    case 3:
      w->bandSelCol = WrapStep(w->bandSelCol, 1, kBandColumns);
      break;
    case 4:
      ModifytabAntenna(w, 0);
      break;
    case 5:
      ModifytabAntenna(w, 1);
      break;
    case 6:
      SaveTabConfig(w, w->NumBanco);
      break;
  }
  return 0;
}

int KeysBankUtilities(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      w->menuPage = kLumoUtilities;
      break;
    case 2:
      w->copyFrom = w->NumBanco.load();
      w->menuPage = kLumoBankCopy;
      break;
    case 3:
      w->resetBank = w->NumBanco.load();
      w->menuPage = kLumoBankReset;
      break;
  }
  return 0;
}

int KeysBankCopy(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      w->menuPage = kLumoUtilities;
      break;
    case 2:
      w->copyFrom = WrapStep(w->copyFrom, 1, w->MAXbank);
      break;
    case 3:
      w->copyTo = WrapStep(w->copyTo, 1, w->MAXbank);
      break;
    case 6:
      CopyBank(w, w->copyFrom, w->copyTo);
      w->menuPage = kLumoUtilities;
      break;
  }
  return 0;
}

int KeysBankReset(Works* w, const KeyPress& key) {
  if (key.button != 6) DisarmConfirm();
  switch (key.button) {
    case 1:
      w->menuPage = kLumoUtilities;
      break;
    case 2:
      w->resetBank = WrapStep(w->resetBank, 1, w->MAXbank + 1);  // MAXbank itself means all banks
      break;
    case 6:
      if (!ConfirmPress(ConfirmBankReset(w->resetBank))) break;  // erased on the second press
      ResetBank(w, w->resetBank);
      w->bandRowIdx = -1;
      w->menuPage = kLumoUtilities;
      break;
  }
  return 0;
}

int KeysFilters(Works* w, const KeyPress& key) {
  switch (key.button) {
    case 1:
      if (w->statusView & kViewFilters) {
        w->statusView &= ~kViewFilters;
        SetWorkImg(w);
        w->menuPage = kLumoMain;
      }
      break;
    case 2:
      w->filterSel = WrapStep(w->filterSel, -1, kFilterEntries);
      break;
    case 3:
      w->filterSel = WrapStep(w->filterSel, 1, kFilterEntries);
      break;
    case 5:
      EnDisFilter(w, 1);
      break;
    case 6:
      EnDisFilter(w, 0);
      break;
  }
  return 0;
}
