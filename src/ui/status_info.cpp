#include "ui/status_info.h"

// TODO: the information screen comes with the status pages; until then the
// picture is shown without its texts.
void ViewStatusInfo(Works*) {}
