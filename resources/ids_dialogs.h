#pragma once
// Resource ids: dialogs and their controls. The tooltip of a page control is the string-table entry
// numbered like the control, so these ids double as string ids (strings.rc).

// ---- Dialog templates ------------------------------------------------------------------------------
#define IDD_ABOUT 105
#define IDD_ADVANCED_SETTINGS 106
#define IDD_PROCESS_PICKER 107
#define IDD_BASIC_SETTINGS 108
#define IDD_PASSWORD 109
#define IDD_QUIT 110

// ---- "Enter Password" (109) ----------------------------------------------------------------------
// OK and Cancel are IDOK and IDCANCEL.
#define IDC_PASSWORD_EDIT 1007
#define IDC_PASSWORD_PROMPT 1008

// ---- Quit confirmation (110) ---------------------------------------------------------------------
// Cancel is IDCANCEL.
#define IDC_QUIT_NOCONFIRM 1042
#define IDC_QUIT_PICTURE 1043
#define IDC_QUIT_BUTTON 1044
#define IDC_QUIT_PROMPT 1045

// ---- Process picker (107) ------------------------------------------------------------------------
// OK and Cancel are IDOK and IDCANCEL.
#define IDC_PROCESS_LIST 1025
#define IDC_PROCESS_REFRESH 1026

// ---- Section headers: the same two ids on the basic and the advanced page --------------------------
#define IDC_HEADER_IMAGE 11002
#define IDC_HEADER_LABEL 11003

// ---- Basic settings page (108) -------------------------------------------------------------------
#define IDC_SW_WHEEL 11004
#define IDC_SW_DOUBLE 11005
#define IDC_SW_HOTKEY_ENABLED 11006
#define IDC_SW_HOTKEY 11007
#define IDC_SYS_HEADER_IMAGE 11008
#define IDC_SYS_HEADER_LABEL 11009
#define IDC_SS_STARTUP 11010
#define IDC_SS_TRAYICON 11011
#define IDC_SS_HOTKEY_ENABLED 11012
#define IDC_SS_HOTKEY 11013
#define IDC_SS_UPDATE 11014
#define IDC_PWD_HEADER_IMAGE 11017
#define IDC_PWD_HEADER_LABEL 11018
#define IDC_PWD_ORIG_ENABLED 11019   // password asked before switching back to the original desktop
#define IDC_PWD_ORIG 11020
#define IDC_PWD_ORIG_CONFIRM 11021
#define IDC_PWD_VIRT_ENABLED 11022   // password asked before switching to the virtual desktop
#define IDC_PWD_VIRT 11023
#define IDC_PWD_VIRT_CONFIRM 11024

// ---- Advanced settings page (106) ----------------------------------------------------------------
#define IDC_AC_MONITOR 21007
#define IDC_AC_MUTE 21010
#define IDC_AC_IEHISTORY 21012
#define IDC_AC_IEURLS 21013
#define IDC_AC_TASKMGR 21016
#define IDC_AC_RECENTDOC 21017
#define IDC_AC_PROCESSES 21018          // edit with a browse button: the process picker
#define IDC_AC_FILE_ENABLED 21019
#define IDC_AC_WINDOWS_TITLE 21020
#define IDC_AC_FILE_PATH 21021          // edit with a browse button: the file picker
#define IDC_AC_WEBSITE_ENABLED 21022
#define IDC_AC_WINDOWS_ENABLED 21023
#define IDC_AC_PROCESSES_ENABLED 21024
#define IDC_AC_WEBSITE_URL 21025
#define IDC_AC_CLIPBOARD 21026

// ---- About page (105) ----------------------------------------------------------------------------
#define IDC_ABOUT_NOTICE 31010
#define IDC_ABOUT_VERSION 31011
#define IDC_ABOUT_SUPPORT 31012         // hyperlink: a new mail to the support address it shows
#define IDC_ABOUT_MAKER 31014           // hyperlink: the maker's home page
#define IDC_ABOUT_NAME 31029
#define IDC_ABOUT_LOGO 31030
