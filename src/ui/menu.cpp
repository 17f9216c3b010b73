#include "ui/menu.h"

#include "state/works.h"
#include "ui/lumomenu.h"
#include "ui/menu_rows.h"

void InitMenuLumo(Works* works) {
  works->menuRows = kMenuRowCount;
  ResetMenuChoices();
  InitLumomenu(works);
}
