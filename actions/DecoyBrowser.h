#pragma once
// The web page opened on the virtual desktop once it shows, and the browser it opens in there: the
// one the user's Windows opens https addresses with, started there directly with a profile of the
// program's own, so the page neither goes to the copy already running on the user's desktop nor
// shows their tabs, history and accounts. A profile is made on first use and kept, so the decoy
// looks lived in.
#include <windows.h>

#include <cstddef>

#include "actions/SwitchAction.h"

namespace vp {

enum class BrowserFamily { Other, Chromium, Firefox };

// The family of a browser by the name of its program file, compared without case.
BrowserFamily BrowserFamilyOf(const wchar_t* exePath) noexcept;

// The program of a command as the registry keeps one, environment references expanded: the first
// field when quoted, else everything up to the first ".exe" that ends a word (a path with blanks
// written without quotes), else up to the first blank. False when there is none, or it does not fit.
bool ExecutableOfCommand(const wchar_t* command, wchar_t (&exe)[MAX_PATH]) noexcept;

// The program the user's Windows opens https with: the user's choice for https, through its class's
// open command, or else what the system's association answers. False when none is found.
bool FindHttpsBrowser(wchar_t (&exe)[MAX_PATH]) noexcept;

// The profile of the program's own for a browser, made when missing: a folder named like its program
// file without the extension, in kBrowserProfilesFolder under the user's local application data.
// False when it cannot be made, or something other than a folder stands in its place.
bool DecoyProfileFolder(const wchar_t* exePath, wchar_t (&folder)[MAX_PATH]) noexcept;

// Whether a browser of the Firefox family runs on the profile now: it holds the profile's lock file
// open, shared with nobody, for as long as it runs.
bool FirefoxProfileInUse(const wchar_t* folder) noexcept;

// The command line for the address in the decoy browser, the address given "http://" when it has no
// scheme. running: a Firefox-family decoy already runs on the profile, and the address is handed to
// it rather than starting a copy that the profile's lock would stop. A Chromium-family start always
// hands it to the copy running on the same profile. Refused (false, empty result) for the Other
// family, an address holding a double quote, or a result that does not fit.
bool BuildDecoyBrowserCommandLine(BrowserFamily family, const wchar_t* exePath, const wchar_t* profile,
                                  const wchar_t* address, bool running, wchar_t* out, size_t outUnits) noexcept;

// The whole road: the command line that opens address in the user's browser with its decoy profile.
// NotOurs for a browser of no known family, or none; Refused (empty result) when the user's browser
// is ours to start but its profile cannot be made or the line not built: never the user's own
// profile in its place.
enum class DecoyCommand { NotOurs, Built, Refused };
DecoyCommand DecoyBrowserCommandLine(const wchar_t* address, wchar_t* out, size_t outUnits) noexcept;

// Opens address on the named desktop: in the decoy browser when the user's is one of ours, else with
// the shell of the Windows directory.
void OpenWebsiteOnDesktop(const wchar_t* address, const wchar_t* desktopName);

}  // namespace vp

class COpenWebsiteAction : public CSwitchAction {
public:
    void After(const CSettingsData& s) override;
};
