#pragma once
// Resource ids of Veilpane.rc.
#define IDR_MAINFRAME 128
#define IDS_PRODUCT_NAME 128
