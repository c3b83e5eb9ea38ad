#include "settings/ProgramKeys.h"

constinit ProgramKeys g_ProgramKeys;
