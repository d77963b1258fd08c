/* Resource and control identifiers of the main dialog and the about box,
   shared by the resource script, the dialog code and the test host's dialog
   driver. Plain #defines only, so that the resource compiler can read this
   file too. */
#ifndef MIRTANE_DIALOG_IDS_H
#define MIRTANE_DIALOG_IDS_H

/* Resources. */
#define IDS_TITLE_TEXT 1
#define IDB_LOGO 119
#define IDC_CURSOR_POINTING_HAND 137
#define IDC_CURSOR_CLOSED_HAND 138
#define IDC_CURSOR_OPEN_HAND 139

/* Main dialog. */
#define IDC_SLIDER_CYAN_RED 10
#define IDC_SLIDER_MAGENTA_GREEN 11
#define IDC_SLIDER_YELLOW_BLUE 12
#define IDC_EDIT_CYAN_RED 20
#define IDC_EDIT_MAGENTA_GREEN 21
#define IDC_EDIT_YELLOW_BLUE 22
#define IDC_BUTTON_OK 1
#define IDC_BUTTON_CANCEL 2
#define IDC_BUTTON_HELP 3
#define IDC_BUTTON_DEFAULTS 6
#define IDC_BUTTON_UPDATE 7
#define IDC_NAVIGATOR_HOLDER 30
#define IDC_PREVIEW_HOLDER 32
#define IDC_BUTTON_ZOOM_OUT 40
#define IDC_BUTTON_ZOOM_IN 41
#define IDC_GROUP_PREVIEW 1028
#define IDC_GROUP_CONTROLS 1029
#define IDC_GROUP_NAVIGATOR 1033
#define IDC_EDIT_ZOOM 1040
#define IDC_RADIO_BEFORE 1043
#define IDC_RADIO_AFTER 1044
#define IDC_LOGO 1045
#define IDC_TITLE_TEXT 1047
#define IDC_ZOOM_CAPTION 1048
#define IDC_UNNAMED (-1)

/* About box. */
#define IDC_ABOUT_OK 1038
#define IDC_ABOUT_VERSION 1039

#endif
