#pragma once
struct Works;

// Reads the address settings from "/etc/network/interfaces".
void ReadLanParam(Works* works);
