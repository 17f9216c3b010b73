#pragma once
// Finds the companion transceiver's CAT port among "/dev/ORVACAT*": the one
// that answers "DT;" with "DT001;".
struct Works;

// Tries the devices from the last in sort order to the first. Returns 0 with
// the port left open in `catFD` for the CAT relay, or -1 when none answered
// (every other candidate is closed again).
int VerifyCAT(Works* works);
