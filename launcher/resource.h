// Resource ids of the launcher.
#pragma once

#define IDR_MAINFRAME 128        // icon, document string, toolbar template
#define IDD_ABOUTBOX 100
#define IDS_OLE_INIT_FAILED 100
#define IDS_SELECT_ITEM_FIRST 101
#define IDS_BUILTIN_VERSION 102
#define IDS_TITLE_PREFIX 57344
#define IDS_IDLE_PROMPT 57345

#define IDC_TOOL_START 1000
#define IDC_TOOL_SETTINGS 1001
#define IDC_TOOL_UPDATE 1002
#define IDC_TOOL_HELP 1003
#define IDC_TOOL_ABOUT 1004
#define IDC_TOOL_BANNER 1005
