// The update check is built in its own files; until then a check does nothing.
#include "actions/SystemActions.h"

void CSystemActions::CheckForUpdate(const char*, const char*, BOOL) {}

#include "update/UpdatePrompt.h"
void ShowUpdateOffer(HWND, CRegistryStore&) {}
