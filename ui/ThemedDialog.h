#pragma once
// The common base of the settings pages (modeless child dialogs that show the frame's painted
// background through themselves, in one uniform font) and of the program's modal dialogs (a stretched
// PNG background and themed buttons).
#include <windows.h>

#include <vector>

#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "framework/Reflection.h"
#include "framework/Window.h"

class CThemedButtonCtrl;

constexpr UINT WM_FORWARDMSG = 0x037F;  // lParam: a MSG* from the frame's message filter
constexpr int kDialogFaceMargin = 6;  // at 96 DPI

// A dialog (page or modal) laid out again for a new DPI: every child moved and sized by the ratio,
// every font in use made again at the new size (the new fonts go into `fonts`, which must outlive
// the controls), and WM_DPICHANGED_AFTERPARENT sent to each child so it reloads its artwork.
void RescaleDialog(HWND dialog, UINT oldDpi, UINT newDpi, std::vector<vp::FontHandle>& fonts) noexcept;

// The page's share of the work, without the template: fonts, background brush, keyboard forwarding.
class CThemedDialogBase {
public:
    // Composites the page and gives it and every descendant the look's page font.
    void SetUpTheme(HWND page) noexcept;
    // WM_FORWARDMSG, WM_ERASEBKGND (consumed) and WM_SIZE (drops the brush, passed on).
    bool ProcessThemedMessage(HWND page, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    // The page's DPI became newDpi (the frame sends WM_DPICHANGED_AFTERPARENT): every child moved and
    // sized by the ratio, the look's page font given again (the look has it for the new DPI), and
    // the message passed on to each child so it reloads its artwork.
    void RescalePage(HWND page, UINT newDpi) noexcept;

private:
    static void GivePageFont(HWND page) noexcept;

    vp::BrushHandle m_brush;  // the frame's background behind the page; until the next size change
    unsigned m_brushGeneration = 0;
    UINT m_dpi = 0;
};

// In the dark theme, WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC of an edit get the look's edit colours
// (greyed text while it is disabled); otherwise false, and the system's colours stay.
bool AnswerEditColours(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

// Sends WM_SETFONT (no redraw) to every window below parent, depth first.
void SetFontOnDescendants(HWND parent, HFONT font) noexcept;

// A page of the settings window. T names its template (IDD), sets itself up in OnInitDialog (which
// answers WM_INITDIALOG) and supplies its own handlers in ProcessPageMessage, which sees
// WM_DPICHANGED_AFTERPARENT once the page was laid out again; then this base, then reflection to the
// controls.
template <class T>
class CThemedDialogImpl : public vp::CDialogImpl<T>, public CThemedDialogBase {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_INITDIALOG) {
            result = static_cast<T*>(this)->OnInitDialog(hwnd);
            return true;
        }
        if (msg == WM_DPICHANGED_AFTERPARENT) RescalePage(hwnd, vp::WindowDpi(hwnd));
        if (static_cast<T*>(this)->ProcessPageMessage(hwnd, msg, wp, lp, result)) return true;
        if (msg == WM_DPICHANGED_AFTERPARENT) return true;
        if (ProcessThemedMessage(hwnd, msg, wp, lp, result)) return true;
        return vp::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
};

// The look of the program's modal dialogs: PNG 228 stretched over the client area, PNG 230 as the face
// of their buttons (margins 6). The dialog makes itself the background window of its themed controls.
class CModalDialogLook {
public:
    // In WM_INITDIALOG, before the controls are themed: the artwork for the dialog's DPI.
    void LoadLook(HWND dialog) noexcept;
    UINT LookDpi() const noexcept { return m_dpi; }
    // The face margin at the dialog's DPI.
    int FaceMargin() const noexcept;
    // Takes over the dialog's button id as a themed button with the dialog's face.
    void TakeButton(CThemedButtonCtrl& button, HWND dialog, int id) noexcept;
    // WM_ERASEBKGND: the background stretched over the whole client area (the window colour in high
    // contrast). WM_DPICHANGED: the dialog laid out again for the new DPI in the suggested rectangle,
    // its artwork reloaded; the buttons of faceButtons take the new face.
    bool ProcessLookMessage(HWND dialog, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    // At the end of WM_INITDIALOG: centred over the owner, inside its monitor's work area, in front,
    // with the keyboard (the focus goes to focus when given).
    static void Present(HWND dialog, HWND focus = nullptr) noexcept;

private:
    vp::BitmapHandle m_background;
    vp::BitmapHandle m_face;
    UINT m_dpi = 96;
    std::vector<vp::FontHandle> m_dpiFonts;
};

// A modal dialog of the program: T sets itself up in OnInitDialog (WM_INITDIALOG's answer: TRUE to
// give the focus to the first tab stop) and supplies ProcessDialogMessage; the look comes next for the
// erase, reflection last so the themed controls can draw themselves.
template <class T>
class CThemedModalDialogImpl : public vp::CDialogImpl<T>, public CModalDialogLook {
public:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_INITDIALOG) {
            result = static_cast<T*>(this)->OnInitDialog(hwnd);
            return true;
        }
        if (static_cast<T*>(this)->ProcessDialogMessage(hwnd, msg, wp, lp, result)) return true;
        if (ProcessLookMessage(hwnd, msg, wp, lp, result)) return true;
        return vp::ReflectNotifications(hwnd, msg, wp, lp, result);
    }
};
