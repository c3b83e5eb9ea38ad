#pragma once
// Names and roles of the owner-drawn controls for screen readers (Active Accessibility; UI
// Automation reads the same through its MSAA proxy). A control answers WM_GETOBJECT for OBJID_CLIENT
// with AnswerGetObject: the system's standard object for the window, with the control's own name and
// role, and, for a control with items of its own (the tab bar's tabs), those items as simple children.
#include <windows.h>
#include <oleacc.h>

#include <string>

// The items inside a control, numbered 1 to Count() as Active Accessibility numbers simple children.
class IAccessibleItems {
public:
    virtual ~IAccessibleItems() = default;
    virtual long ItemCount() const = 0;
    virtual std::wstring ItemName(long child) const = 0;
    virtual long ItemRole() const = 0;
    virtual long ItemState(long child) const = 0;  // STATE_SYSTEM_* bits
    virtual RECT ItemScreenRect(long child) const = 0;
    virtual std::wstring ItemDefaultAction(long child) const = 0;
    virtual void DoItemDefaultAction(long child) = 0;
    // The item under a point in screen coordinates, 0 for none.
    virtual long ItemAt(POINT screen) const = 0;
};

// The answer to WM_GETOBJECT: for OBJID_CLIENT, an object named `name` (the control's window text
// when empty) with role `role` over the standard one; anything else goes to the default procedure
// (returns false and leaves result alone).
bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, const std::wstring& name, long role, LRESULT& result,
                     IAccessibleItems* items = nullptr) noexcept;
