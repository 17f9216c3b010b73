#pragma once
struct Works;

// Thread body of the front-panel buttons and the front-panel microcontroller
// exchange (the `tinyCmd` mailbox).
void GPIO(Works* works);
