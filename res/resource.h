// Resource and control ids, shared by Setup.rc and the code.
#pragma once

// The wizard's title: the host's and every page's caption.
#define KELVRA_WIZARD_TITLE "Kelvra V9.0 土地整理规划设计软件 安装向导"
// The footer of every page: the maker and its web address.
#define KELVRA_MAKER_NAME "Morvane 软件公司"
#define KELVRA_MAKER_WEB "www.morvane.example"
#define KELVRA_HEADING "欢迎使用 Kelvra V9.0 土地整理规划设计软件"

// The mutex Setup.exe and Uninstall-64.exe both hold while they run: in the
// administrators' private namespace when run by an administrator (a
// deployment as SYSTEM and an administrator's session see each other), else
// in the session's Local namespace (framework/SingleInstance.h).
#define KELVRA_INSTANCE_MUTEX "Kelvra V9 Setup"
// The logs a silent run writes in %TEMP% when it is given no /LOG=.
#define KELVRA_SETUP_LOG_NAME "Kelvra V9 Setup.log"
#define KELVRA_UNINSTALL_LOG_NAME "Kelvra V9 Uninstall.log"

#define IDD_SETUP_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_INTROPAGE 129
#define IDD_COMPACTPAGE 130
#define IDD_PATH 132
#define IDD_INSTALL 133
#define IDD_FINISHPAGE 134
// Programs hold files the installation must replace (the destination page's Next).
#define IDD_FILES_IN_USE 136

// The digest of the distribution's manifest (Setup.exe's RCDATA): 32 marker
// bytes, then 32 bytes that tools/make-release.sh fills before it signs.
#define IDR_DISTRIBUTION_BINDING 140

#define IDS_INSTALL_CANCEL_QUESTION 102
#define IDS_BROWSE_TITLE 103

#define IDC_BACK 1000
#define IDC_NEXT 1001
#define IDC_HEADING 1003
#define IDC_INSTRUCTION 1004
#define IDC_AGREEMENT_TEXT 1005
#define IDC_DISAGREE 1006
#define IDC_AGREE 1007
#define IDC_INSTALL_PATH 1011
#define IDC_BROWSE 1012
#define IDC_COPY_FRAME 1013
#define IDC_PROGRESS 1014
#define IDC_STATUS 1015
#define IDC_README 1017
#define IDC_CONFIGURING 1018
#define IDC_IN_USE_TEXT 1030

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
