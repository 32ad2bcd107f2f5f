// Resource ids of the game host (compiled into the launcher).
#pragma once

#define IDD_GAME 166
#define IDD_EXIT 167

#define IDC_EXIT_EDIT 1002
#define IDC_EXIT_PROMPT 1003
#define IDC_EXIT_COUNTDOWN 1004
#define IDC_EXIT_SECONDS 1005
#define IDC_EXIT_LETTER_T 1009
#define IDC_EXIT_LETTER_I 1010
#define IDC_EXIT_LETTER_X 1011
#define IDC_EXIT_LETTER_E 1012
