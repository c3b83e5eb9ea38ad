#pragma once
// Resource ids: artwork (PNG images of type "PNG"; drawn by make_artwork.py). Each id names the
// 100 % image; the 125, 150 and 200 % images follow it at 1, 2 and 3 times IDB_SCALE_STEP.
#define IDB_SCALE_STEP 4096
// The dark set: each image of it under its light image's id plus IDB_DARK_STEP.
#define IDB_DARK_STEP 16384
#define IDB_TAB_BAR 204
#define IDB_TAB_STRIP 205
#define IDB_FRAME_BACKGROUND 209
#define IDB_NAV_LEFT_CAP 211
#define IDB_NAV_RIGHT_CAP 212
#define IDB_NAV_CENTRE 213
#define IDB_NAV_MIDDLE 214
#define IDB_NAV_HOMEPAGE 215
#define IDB_NAV_HELP 216
#define IDB_NAV_PREVIOUS 217
#define IDB_NAV_APPLY 218
#define IDB_NAV_NEXT 219
#define IDB_NAV_HIDE 221
#define IDB_NAV_QUIT 222
#define IDB_HEADER_SWITCH 223
#define IDB_HEADER_SYSTEM 225
#define IDB_DIALOG_BACKGROUND 228
#define IDB_BUTTON_FACE 230
#define IDB_ABOUT_NAME 231
#define IDB_ABOUT_LOGO 232
#define IDB_NAV_SWEEP 234
#define IDB_HEADER_ACTIONS 235
#define IDB_QUIT_IMAGE 238
#define IDB_HEADER_PASSWORD 1017
