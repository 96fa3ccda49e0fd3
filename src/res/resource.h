// Resource identifiers, shared by the resource script and the C++ code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_ZOLVAN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDD_BACKUP_DIALOG 129
#define IDR_TRAY_MENU 130
#define IDI_TRAY_GREEN 141
#define IDI_TRAY_BLUE 142
#define IDI_TRAY_RED 143

#define IDC_LOG 1000
#define IDC_GPIO2_LABEL 1001
#define IDC_LONG_GPIO2_LABEL 1002
#define IDC_LONG_GPIO2_COUNT 1003
#define IDC_GPIO2_COUNT 1004
#define IDC_STATUS 1005
#define IDC_FOLDER_TREE 1006
#define IDC_BACKUP 1007
#define IDC_TARGET_DISK 1008

#define IDM_ABOUTBOX 0x0010
#define ID_TRAY_ABOUT 32774
#define ID_TRAY_EXIT 32775

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
