#pragma once
// Where the program keeps its settings and its log-on entry under HKEY_CURRENT_USER: the product's
// own keys. Tests point them at private keys before anything reads them.
#include "framework/Product.h"

struct ProgramKeys {
    const wchar_t* settings = product::kRegistryKey;
    const wchar_t* run = product::kRunKey;
};

// Constant-initialised, so it is in place before any code runs.
extern ProgramKeys g_ProgramKeys;
