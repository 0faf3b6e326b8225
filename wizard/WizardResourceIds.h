#pragma once
// What the wizard takes from its per-language resource library GathrixWizardRc.dll. The library
// is built from .rc files that include this header, so the ids cannot drift apart.

#define IDD_GATHRIX_WIZARD 129
#define IDI_GATHRIX_WIZARD 139

#define IDC_PROGRESS 1002
#define IDC_NAME 1003
#define IDC_ORGANIZATION 1004
#define IDC_EMAIL 1006
#define IDC_CALL_NUMBER 1007
#define IDC_MODES 1009
#define IDC_START 1010
#define IDC_EXIT 1011
#define IDC_STATUS 1012

#define IDS_SUCCESS 135
#define IDS_SUCCESS_CAPTION 136
#define IDS_CANCEL_QUESTION 137
#define IDS_CANCEL_QUESTION_CAPTION 138
#define IDS_ERROR_STATUS 139
#define IDS_WAIT_ABANDONED 140
#define IDS_ERROR_CAPTION 141
#define IDS_WAIT_FAILED 142
#define IDS_START_FAILED 143
#define IDS_CANCELLED 144
#define IDS_EXIT_BUSY 145
#define IDS_EXIT_IDLE 146
#define IDS_NO_RIGHTS 147
#define IDS_MODE_FILE_ERROR 148
#define IDS_GENERAL_ERROR 149
#define IDS_DESKTOP_ERROR 150
#define IDS_WORKING_FOLDER_ERROR 151
#define IDS_LANGUAGE_CODE 153
#define IDS_NO_MODE 154
#define IDS_NO_MODE_CAPTION 155
#define IDS_WMI_ERROR 156
#define IDS_DATA_FOLDERS_ERROR 157
#define IDS_COPY_ERROR 158
#define IDS_ALREADY_RUNNING 159
