/* The public header compiles on its own as strict C; building this file is
 * the check. */
#include "orbex.h"

uint16_t ProbeWithTheHeaderAlone(const char* path, FITSPROBE* probe) { return FITSImport(FI_PROBE, path, probe); }
