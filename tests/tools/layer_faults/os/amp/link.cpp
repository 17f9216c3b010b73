// A deliberately wrong include: the amplifier link touching the operating system directly.
#include <unistd.h>
