#pragma once
// The program's version and maker, in one place: the version resource, the module constants and the
// packaging script (which reads the three numbers from this file) all take them from here. Plain
// macros, because the resource compiler reads this file too.
#define VP_VERSION_MAJOR 3
#define VP_VERSION_MINOR 1
#define VP_VERSION_BUILD 290

#define VP_PRODUCT_NAME "Veilpane"
#define VP_COMPANY_NAME "MORVEX"
#define VP_COPYRIGHT L"Copyright \x00A9 Morvex, Inc."
#define VP_DESCRIPTION "Veilpane - a second desktop at the press of a button"

#define VP_STRINGIZE_(x) #x
#define VP_STRINGIZE(x) VP_STRINGIZE_(x)
#define VP_WIDEN_(s) L##s
#define VP_WIDEN(s) VP_WIDEN_(s)

// "3.1": the version as the program shows it, beside the build number.
#define VP_VERSION_TEXT VP_STRINGIZE(VP_VERSION_MAJOR) "." VP_STRINGIZE(VP_VERSION_MINOR)
// "3.1.0.290": the four-part version of the file and the product.
#define VP_VERSION_FULL VP_VERSION_TEXT ".0." VP_STRINGIZE(VP_VERSION_BUILD)
