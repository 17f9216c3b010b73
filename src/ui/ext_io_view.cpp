#include "ui/ext_io_view.h"

#include "links/ext_io.h"
#include "state/works.h"

ExtIoView ReadExtIoView(Works* works) {
  getParameters(works);
  return {works->extIoFreq.load(), works->extIoTx.load(), works->extIoAntenna.load()};
}
