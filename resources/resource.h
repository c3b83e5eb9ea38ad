#pragma once
// Resource ids of Veilpane.rc; each group keeps its ids in a header of its own.
#define IDR_MAINFRAME 128
#define IDS_PRODUCT_NAME 128

#include "ids_menus.h"
#include "ids_artwork.h"
#include "ids_dialogs.h"
