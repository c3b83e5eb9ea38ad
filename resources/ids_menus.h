#pragma once
// Resource ids: menus, the accelerator table and the commands they send.

// Tray menu (menu IDR_MAINFRAME, first popup).
#define ID_TRAY_PREFERENCES 32776
#define ID_TRAY_HELP 32777
#define ID_TRAY_WEBSITE 32778
#define ID_TRAY_PRODUCTS 32779
#define ID_TRAY_EXIT 32780

// Navigation-panel commands, sent to the settings window with notification code 0.
#define ID_NAV_APPLY 32782
#define ID_NAV_SELECTFILE 32784
#define ID_NAV_HOMEPAGE 32787
#define ID_NAV_PREVIOUS 32788
#define ID_NAV_NEXT 32789
#define ID_NAV_HIDE 32790
#define ID_NAV_QUIT 32791
#define ID_NAV_HELP 32792

// Editing commands of the accelerator table. The settings window handles none of them: the table
// exists so that these keys never reach the pages' edits.
#define ID_ACCEL_NEW 57600
#define ID_ACCEL_OPEN 57601
#define ID_ACCEL_SAVE 57603
#define ID_ACCEL_PRINT 57607
#define ID_ACCEL_COPY 57634
#define ID_ACCEL_CUT 57635
#define ID_ACCEL_PASTE 57637
#define ID_ACCEL_UNDO 57643
#define ID_ACCEL_NEXT_PANE 57680
#define ID_ACCEL_PREV_PANE 57681
