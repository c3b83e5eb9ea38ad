#pragma once
// Anchoring of a dialog's controls: each control named in the dialog's resize map keeps its distance
// from the right (or bottom) edge, or stretches with it, when the dialog changes size.
#include <windows.h>

#include <vector>

namespace vp {

constexpr DWORD DLSZ_SIZE_X = 0x1;
constexpr DWORD DLSZ_SIZE_Y = 0x2;
constexpr DWORD DLSZ_MOVE_X = 0x4;
constexpr DWORD DLSZ_MOVE_Y = 0x8;

struct DialogResizeEntry {
    int id;
    DWORD flags;
};

// Where a control recorded at rc goes when the client area grew by dx, dy.
RECT ResizedControlRect(const RECT& rc, DWORD flags, int dx, int dy) noexcept;

class CDialogResize {
public:
    // Records the client size and the rectangle of every control of the map (in client coordinates).
    // No size gripper, no minimum tracking size, no forced style.
    void DlgResize_Init(HWND dialog, const DialogResizeEntry* map, size_t count) noexcept;
    // WM_SIZE lays the controls out (consumed); WM_GETMINMAXINFO is left to later stages.
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
    void DlgResize_UpdateLayout(int width, int height) noexcept;
    // The dialog was laid out again for another DPI: what was recorded is scaled with it.
    void DlgResize_Scale(UINT oldDpi, UINT newDpi) noexcept;

private:
    struct Item {
        int id;
        DWORD flags;
        RECT rc;
    };
    HWND m_hWndDialog = nullptr;
    SIZE m_initialClient{};
    std::vector<Item> m_items;
};

}  // namespace vp
