#pragma once
// Where a copy installed by scoop should be started from at log-on. Scoop unpacks each version into
// <root>\apps\<app>\<version>\ and keeps <root>\apps\<app>\current pointing at the installed one; an
// update removes the old version's folder, so a Run value naming it would start nothing.
#include <windows.h>

namespace settings_rules {

// The same executable under the app's "current" folder when exePath lies in a version folder of a
// scoop install (a folder below an "apps" folder's child, the name of "apps" in any case); false
// otherwise, for a path already in "current", and when the result would not fit.
bool ScoopCurrentPath(const wchar_t* exePath, wchar_t (&out)[MAX_PATH]) noexcept;

}  // namespace settings_rules
