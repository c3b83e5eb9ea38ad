#pragma once
// Resource ids: dialogs and their controls.

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

// ---- Basic settings page (108): the headings of its second and third sections ----------------------
// (The settings' own controls take their ids from the settings table.)
#define IDC_SYS_HEADER_IMAGE 11008
#define IDC_SYS_HEADER_LABEL 11009
#define IDC_PWD_HEADER_IMAGE 11017
#define IDC_PWD_HEADER_LABEL 11018

// ---- About page (105) ----------------------------------------------------------------------------
#define IDC_ABOUT_NOTICE 31010
#define IDC_ABOUT_VERSION 31011
#define IDC_ABOUT_SUPPORT 31012         // hyperlink: a new mail to the support address it shows
#define IDC_ABOUT_MAKER 31014           // hyperlink: the maker's home page
#define IDC_ABOUT_NAME 31029
#define IDC_ABOUT_LOGO 31030
