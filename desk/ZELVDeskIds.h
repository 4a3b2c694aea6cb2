#pragma once

// Task codes: the sheet's current task, stored by the task menu.
enum ZELVDeskTask : int {
    TaskNone = 0,
    TaskScanIn = 10,
    TaskScanOut = 20,
    TaskSend = 30,
    TaskRecall = 40,
    TaskReconciliation = 50,
    TaskVolumeManagement = 60,
    TaskLibraryManagement = 70,
    TaskMoveLists = 80,
    TaskList = 90,
    TaskUsers = 100,
    TaskPassword = 110,
    TaskFiles = 120,
    TaskUsersGuide = 130,
    TaskGetHelp = 140,
    TaskScsiConsole = 160,
    TaskExcelImport = 170,
    TaskCommand = 500,
};

// Template ids of the wizard's pages: what a page's Next and Back answer.
enum ZELVDeskPageId : int {
    IDD_INTRO = 209,
    IDD_OPTIONS = 378,
    IDD_AUTHORIZED = 203,
    IDD_CUSTOMER = 204,
    IDD_MEDIA = 213,
    IDD_RETRIEVE_LOCATION = 218,
    IDD_VOLUME = 224,
    IDD_TIME = 220,
    IDD_UPDATE = 221,
    IDD_UPDATE_APPLY = 380,
    IDD_EXTENDED_ATTRIBUTES = 355,
    IDD_FILE = 206,
    IDD_MANAGE = 212,
    IDD_RECEIVE_LOCATION = 216,
    IDD_RECEIVE_VOLUMES = 217,
    IDD_SEND_LOCATION = 107,
    IDD_SEND_CONTAINER = 343,
    IDD_SEND_VOLUMES = 102,
    IDD_SEND_CONTAINER_UPDATE = 344,
    IDD_SCAN_TO_LIST = 103,
    IDD_RECONCILIATION_LOCATION = 375,
    IDD_RECONCILIATION_SCAN = 374,
    IDD_LIBRARY_MANAGEMENT = 388,
    IDD_MOVE_LIST = 389,
    IDD_FINAL = 207,
};

// Resource numbers used at start-up.
enum ZELVDeskResource : int {
    IDR_MAINFRAME = 101, // application icon
    IDB_HEADER = 200,    // wizard header bitmap
    IDB_ABOUT = 201,     // splash and About bitmap
    IDB_WATERMARK = 202, // wizard watermark
};

// Sound cues the sheet's pages play.
enum ZELVDeskSound : int {
    SoundListDropDown = 205,
    SoundCopied = 346,
};

// Icons of the notifications the sheet shows.
enum ZELVDeskNoticeIcon : int {
    IconInformation = 369,
    IconWarning = 389,
};
