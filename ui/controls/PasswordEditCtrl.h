#pragma once
// A password edit: masked, auto-scrolling, at most 15 typed characters. Reading it takes at most 14
// (a 15-unit buffer with its terminator), the same limit the prompt and the settings pages read with,
// so a password set on a page always matches what the prompt returns for the same typing.
#include <windows.h>

#include "framework/Window.h"

class CPasswordEditCtrl : public vp::CWindowImplBase {
public:
    static constexpr int kTypedLimit = 15;  // EM_LIMITTEXT
    static constexpr int kReadUnits = 15;   // GetWindowTextW buffer, terminator included

    // Takes over an existing edit: masked, 15-character limit.
    bool SubclassWindow(HWND edit) noexcept;

    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
