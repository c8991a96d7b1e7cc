#pragma once
#define IDI_CALENDAR 1

// The Settings window and its controls, in tab order.
#define IDD_SETTINGS 100
#define IDC_SHORTCUT_LABEL 101
#define IDC_CTRL 102
#define IDC_ALT 103
#define IDC_SHIFT 104
#define IDC_WIN 105
#define IDC_KEY_LABEL 106
#define IDC_KEY 107
#define IDC_STATUS 108
#define IDC_WEEK_NUMBERS 109
#define IDC_START_AT_SIGN_IN 110
#define IDC_WEEK_NUMBERS_LABEL 111
#define IDC_ICON_SHOWS_LABEL 112
#define IDC_ICON_SHOWS 113
#define IDC_OPENS_ON_LABEL 114
#define IDC_OPENS_ON 115
#define IDC_CALENDARS_LABEL 116
#define IDC_CALENDARS 117
#define IDC_ADD_FILE 118
#define IDC_ADD_ADDRESS 119
#define IDC_REMOVE 120
#define IDC_CALENDAR_STATUS 121
#define IDC_REMIND_ME_LABEL 126
#define IDC_REMIND_ME 127

// The box an address is typed in.
#define IDD_ADDRESS 130
#define IDC_ADDRESS_LABEL 131
#define IDC_ADDRESS 132
