// Resource and command ids of the program, shared by the code and the resource script.
#pragma once

// Main frame: menu, icon, accelerators, toolbar and title share this id.
#define IDR_MAINFRAME               128

// Sensor list: its context menu, the sort marks of old header controls and the signal icons.
#define IDR_SENSOR_MENU             203
#define IDB_SORT_UP                 210
#define IDB_SORT_DOWN               211
#define IDB_SIGNAL_ICONS            212

// The sensor properties dialog.
#define IDD_SENSOR_PROPERTIES       204
// The pages of the graph properties sheet.
#define IDD_GRAPH_YAXIS             102
#define IDD_GRAPH_TRACE             103
#define IDD_GRAPH_GRID              104
// The export dialog.
#define IDD_EXPORT_FILE             105
// Graph window: its context menu.
#define IDR_GRAPH_MENU              201
// Print preview: its toolbar (bitmap and layout) and the menu that stands in for the main one.
#define IDR_PREVIEW_TOOLBAR         205
#define IDR_PREVIEW_MENU            207

// Strings
#define IDS_LIST_OF_SENSORS         129
#define IDS_Y_SCALE_ERROR           132
#define IDS_GRAPH_PROPERTIES        133
#define IDS_COLUMN_NAME             134
#define IDS_COLUMN_TIME             135
#define IDS_COLUMN_VALUE            136
#define IDS_CONNECT_FAILED          137
#define IDS_CONFIRM_REMOVE          138
#define IDS_VERSION_LINE            139
#define IDS_CELSIUS                 141
#define IDS_FAHRENHEIT              142
#define IDS_SERVER_GONE             143
#define IDS_SERVER_LOST             144
#define IDS_SERVER_NOT_REGISTERED   145
#define IDS_SERVER_REGISTER_ADVICE  146
#define IDS_INTERVAL_ALL            300
#define IDS_INTERVAL_10MIN          301
#define IDS_INTERVAL_1H             302
#define IDS_INTERVAL_3H             303
#define IDS_INTERVAL_6H             304
#define IDS_INTERVAL_12H            305
#define IDS_INTERVAL_1D             306
#define IDS_SCALE_RANGE_CELSIUS     500
#define IDS_SCALE_RANGE_FAHRENHEIT  501
#define IDS_SCALE_MIN_EXCEEDS_MAX   502
#define IDS_SCALE_TICKS_TOO_LARGE   504
#define IDS_SCALE_TICKS_NOT_POSITIVE 505
#define IDS_SCALE_RANGE_HUMIDITY    506
#define IDS_UNIT_HUMIDITY           507
#define IDS_UNIT_CO2                508
#define IDS_SCALE_RANGE_CO2         509
#define IDS_READY                   57345

// Commands
#define ID_TIMESCALE_FIRST          2000    // 2000 + i selects time scale i (2 hours .. 1 year)
#define ID_TIMESCALE_LAST           2011
#define ID_VIEW_SENSORLIST          3002
#define ID_VIEW_HIDE                3003
#define ID_VIEW_DOCK                3004
#define ID_SENSOR_PROPERTIES        3100
#define ID_SENSOR_REMOVE            3101
#define ID_PREVIEW_CLOSE            3200
#define ID_GRAPH_PROPERTIES         3201
#define ID_FILE_EXPORT              3202
#define ID_VIEW_OPTIONS             3302
#define ID_HELP_CONTENTS            3304
#define ID_FILE_PRINT               57607
#define ID_FILE_PRINT_SETUP         57606
#define ID_FILE_PRINT_PREVIEW       57609
#define ID_EDIT_COPY                57634
#define ID_APP_ABOUT                57664
#define ID_APP_EXIT                 57665
#define ID_CONTEXT_HELP             57669
#define ID_VIEW_TOOLBAR             59392
#define ID_VIEW_STATUS_BAR          59393

// Version of the program and of the resource library; both must carry the same one.
#ifndef KSV_VERSION_MAJOR
#define KSV_VERSION_MAJOR 1
#define KSV_VERSION_MINOR 1
#define KSV_VERSION_BUILD 7
#define KSV_VERSION_REVISION 0
#endif
