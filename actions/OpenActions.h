#pragma once
// Opening a file on the virtual desktop once it shows, and the texts behind it and behind the web
// page's shell road (actions/DecoyBrowser.h): the expansion of a file type's command template, the
// command lines, and the rule that gives an address its scheme. Each builder refuses (returns false,
// with an empty result) rather than cut a text into a different command.
#include <cstddef>

#include "actions/OpenedElsewhereWatch.h"
#include "actions/SwitchAction.h"
#include "framework/Launch.h"
#include "framework/RegexMatcher.h"

namespace vp {

// Buffer sizes, in UTF-16 units with the terminator. The registry's class names end at 255
// characters; templates and command lines get room well beyond the 260 and 520 they usually need.
constexpr size_t kClassUnits = 261;
constexpr size_t kTemplateUnits = 1024;
constexpr size_t kExpandedUnits = 2048;
constexpr size_t kCommandUnits = 4096;

// The pattern of an environment reference: a percent sign, as few non-percent characters as can be,
// and a percent sign.
inline constexpr wchar_t kEnvironmentReferencePattern[] = L"%([^%]+?)%";

// Copies tmpl into out with every %NAME% reference replaced by the value of the process environment
// variable NAME, left to right. A reference to a variable that is not set stays as written, and its
// closing percent sign may open the next reference (so "%1%TEMP%" keeps "%1" and expands TEMP), the
// way the system's own expansion reads such text. False when the result does not fit or a name is
// longer than the matcher can hold.
bool ExpandEnvironmentReferences(CRegexMatcher& matcher, const wchar_t* tmpl, wchar_t* out, size_t outUnits);

// The command line for a file: the path in place of the first "%1", or the template, one blank and
// the path as it is when there is no "%1".
bool BuildOpenCommandLine(const wchar_t* expanded, const wchar_t* path, wchar_t* out, size_t outUnits);

// Whether an address is used as it is: five characters or more, beginning with "http" in any case.
bool AddressKeepsItsScheme(const wchar_t* address) noexcept;

// "<systemRoot>\explorer.exe" with the address, quoted, "http://" put in front where it has none.
// Refused when the Windows directory is empty (the command would name another program) or the
// address holds a double quote (it would end the quoted field and add arguments of its own).
bool BuildWebsiteCommandLine(const wchar_t* systemRoot, const wchar_t* address, wchar_t* out, size_t outUnits);

template <size_t N>
bool ExpandEnvironmentReferences(CRegexMatcher& matcher, const wchar_t* tmpl, wchar_t (&out)[N]) {
    return ExpandEnvironmentReferences(matcher, tmpl, out, N);
}
template <size_t N>
bool BuildOpenCommandLine(const wchar_t* expanded, const wchar_t* path, wchar_t (&out)[N]) {
    return BuildOpenCommandLine(expanded, path, out, N);
}
template <size_t N>
bool BuildWebsiteCommandLine(const wchar_t* systemRoot, const wchar_t* address, wchar_t (&out)[N]) {
    return BuildWebsiteCommandLine(systemRoot, address, out, N);
}

// The Windows directory the shell and the browser are started from; empty when unknown. Read once.
const wchar_t* SystemRoot() noexcept;
// Tests point it at a private folder of stand-in programs, before any thread uses it.
void SetSystemRootForTest(const wchar_t* root) noexcept;
// Copies the "SystemRoot" value when it fits the field; a longer value is treated as missing,
// since a cut directory would name another one.
void ReadSystemRoot(wchar_t (&out)[50]) noexcept;

// Opens path with the program registered for its type, on the named desktop (in job, when given);
// the program started, or an empty process when none was.
LaunchedProcess OpenFileOnDesktop(CRegexMatcher& matcher, const wchar_t* path, const wchar_t* desktopName,
                                  HANDLE job = nullptr);

}  // namespace vp

// Opens the file once the virtual desktop shows; when its program took it to a copy running on the
// user's desktop instead, the user is told so once for that file, after the next way back.
class COpenFileAction : public CSwitchAction {
public:
    void After(const CSettingsData& s) override;
    void Undo() override;
    const COpenedElsewhereWatch& Watch() const noexcept { return m_watch; }

private:
    CRegexMatcher m_matcher;  // this action's own: it runs on the hook thread alone
    COpenedElsewhereWatch m_watch;
    ActionText m_file;  // the file last opened, of which the watch tells once
};
