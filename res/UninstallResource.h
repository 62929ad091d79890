// Resource and control ids of Uninstall-64.exe, shared by Uninstall.rc and
// the code. Control ids stay clear of the installer's pages (1000-1018), so
// a driver never takes one of these dialogs for a wizard page.
#pragma once

#include "res/resource.h"

// The caption of the uninstaller's dialogs and boxes.
#define KELVRA_UNINSTALL_TITLE "Kelvra V9.0 土地整理规划设计软件 卸载程序"
#define KELVRA_UNINSTALL_HEADING "卸载 Kelvra V9.0 土地整理规划设计软件"

#define IDD_UNINSTALL_CONFIRM 140
#define IDD_UNINSTALL_PROGRESS 141
#define IDD_FILE_IN_USE 142

#define IDC_UN_HEADING 1101
#define IDC_UN_QUESTION 1102
#define IDC_UN_REMOVE_DATA 1103
#define IDC_UN_FRAME 1104
#define IDC_UN_STATUS 1105
#define IDC_UN_PROGRESS 1106
#define IDC_UN_IN_USE_TEXT 1107
