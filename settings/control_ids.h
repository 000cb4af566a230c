/* Control IDs of the settings dialog Form_Set, one per control, stable across builds. The
   Windows backend gives each real control its ID, and the end-to-end helper programs reach the
   controls with GetDlgItem by these numbers. Plain defines with no include, so that C, C++ and
   the resource compiler can all read this file. */
#ifndef FRIN_SETTINGS_CONTROL_IDS_H
#define FRIN_SETTINGS_CONTROL_IDS_H

/* Command buttons: OK and Cancel. */
#define IDC_BTN_SET_0 2001
#define IDC_BTN_SET_1 2002

/* Scroll bars: flake count (0..500) and speed (0..15). */
#define IDC_SRL_SET_0 2011
#define IDC_SRL_SET_1 2012

/* Check boxes: clear the background, flakes settle, mouse keeps the saver, picture background. */
#define IDC_CHK_SET_0 2021
#define IDC_CHK_SET_1 2022
#define IDC_CHK_SET_2 2023
#define IDC_CHK_SET_3 2024

/* Picture file path and the browse button. */
#define IDC_TXT_FILE 2031
#define IDC_BTN_FILE 2032

/* Frames: flake count and speed. */
#define IDC_FRAME1_0 2041
#define IDC_FRAME1_1 2042

/* Labels; Label1(0) is the count readout, Label1(11) the speed readout. */
#define IDC_LABEL1_0 2050
#define IDC_LABEL1_1 2051
#define IDC_LABEL1_2 2052
#define IDC_LABEL1_3 2053
#define IDC_LABEL1_4 2054
#define IDC_LABEL1_5 2055
#define IDC_LABEL1_6 2056
#define IDC_LABEL1_7 2057
#define IDC_LABEL1_8 2058
#define IDC_LABEL1_9 2059
#define IDC_LABEL1_10 2060
#define IDC_LABEL1_11 2061
#define IDC_LABEL1_12 2062

/* The picture beside the maker lines. */
#define IDC_IMAGE1 2070

#endif /* FRIN_SETTINGS_CONTROL_IDS_H */
