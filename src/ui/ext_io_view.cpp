#include "ui/ext_io_view.h"

#include "links/ext_io_params.h"
#include "state/ext_io_params.h"
#include "state/works.h"

ExtIoView ReadExtIoView(Works* works) {
  ExtIoParams p;
  getParameters(&p, works);
  // The record says -1 for "no antenna asked for"; the amplifier's antenna
  // mode knows only 0 for that.
  return {p.activeFreq, p.status0Bit6 ? 1 : 0, p.an > 0 ? p.an : 0};
}
