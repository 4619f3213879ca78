// Resource identifiers; one number range per prefix.
#ifndef GRINSEL_RESOURCE_H
#define GRINSEL_RESOURCE_H

// icons and menus (100..)
#define IDI_ACTIVE          101
#define IDI_STOPPED         102
#define IDR_TRAYMENU        103

// dialogs (104..)
#define IDD_ABOUT           104
#define IDD_SETTINGS        105

// dialog controls (1000..)
#define IDC_BROWSE          1002
#define IDC_JOKEFILE        1003
#define IDC_APPLY           1004
#define IDC_SHOWSECONDS     1006
#define IDC_PAUSESECONDS    1007
#define IDC_EDITFILE        1010

// menu commands (40000..); 40007, 40008 and 40010 are not used
#define IDM_SETTINGS        40004
#define IDM_ACTIVE          40005
#define IDM_ABOUT           40006
#define IDM_EXIT            40009
#define IDM_NEXTJOKE        40011
#define IDM_AUTOSTART       40012
#define IDM_REST            40013
#define IDM_COPYJOKE        40014

#endif
