#include "ui/menu.h"

#include "ui/lumomenu.h"

void InitMenuLumo(Works* works) {
  // TODO: the setup list rows come with the menus.
  InitLumomenu(works);
}
