#pragma once
// Numbers of the program's controls, menus and menu items. They are unique
// across all windows; the router dispatches on them and every widget carries
// its number as the "control" property.

namespace detalehran {

enum ControlNumber : int {
    // Main window (4).
    kPathTree = 0,
    kItemList = 1,
    kSearchField = 48,
    kSearchButton = 49,
    kTreeSplitter = 51,  // path tree above location tree
    kLocationTree = 52,
    kMainSplitter = 54,   // trees left of the item list
    kQuantityField = 80,  // in-place quantity editor inside the item list

    // Item editor (5).
    kEditorName = 22,
    kEditorDescription = 23,
    kEditorPlace = 24,
    kEditorQuantity = 25,
    kEditorPrice = 26,
    kEditorPurchasePrice = 27,
    kEditorSupplier = 28,
    kEditorSectionPath = 29,
    kEditorPackage = 30,
    kEditorId = 31,
    kEditorDocument = 32,
    kEditorOk = 33,
    kEditorCancel = 34,
    kEditorAddDocument = 35,
    kEditorRemovePackage = 36,
    kEditorRemoveDocument = 37,
    kEditorLocationTree = 53,

    // About dialog (64).
    kAboutLink1 = 76,
    kAboutLink2 = 77,
    kAboutLink3 = 78,
    kAboutOk = 79,

    // Table settings dialog (81).
    kSettingsOk = 82,
    kSettingsCancel = 83,
    kSettingsPanel = 84,
    kSettingsFirstColumnBox = 86,
    kSettingsLastColumnBox = 91,
    kSettingsMinimumField = 93,
    kSettingsColourButton = 96,
    kSettingsHighlightBox = 97,
    kSettingsValueOrderBox = 98,  // order names by the values in them

    // Import from a spreadsheet's CSV file (130).
    kImportFileName = 131,
    kImportEncoding = 132,
    kImportSeparator = 133,
    kImportPreview = 134,  // the columns' fields above the file's first lines
    kImportSummary = 135,
    kImportSection = 136,
    kImportPlace = 137,
    kImportDuplicatesFrame = 138,
    kImportAsNew = 139,
    kImportAddQuantity = 140,
    kImportSkip = 141,
    kImportProgress = 142,
    kImportStart = 143,
    kImportCancel = 144,
    kImportEncodingCaption = 145,
    kImportSeparatorCaption = 146,
    kImportSectionCaption = 147,
    kImportPlaceCaption = 148,
    kImportPreviewCaption = 149,
    kImportTargetCaption = 150,
    kImportHeaderLine = 151,  // which of the file's first lines is the header
    kImportHeaderLineCaption = 152,

    // Reorder list (160).
    kReorderTable = 161,
    kReorderTotal = 162,
    kReorderSave = 163,
    kReorderClose = 164,
    kReorderCaption = 165,

    // History of changes (180).
    kHistoryWho = 181,
    kHistorySince = 182,
    kHistoryUntil = 183,
    kHistoryText = 184,
    kHistoryShow = 185,
    kHistoryOperations = 186,
    kHistoryChanges = 187,
    kHistoryMore = 188,
    kHistoryRevert = 189,
    kHistoryClose = 190,
    kHistoryCaption = 191,
    kHistoryWhoCaption = 192,
    kHistorySinceCaption = 193,
    kHistoryUntilCaption = 194,
    kHistoryTextCaption = 195,

    // Bill of materials check (200).
    kBomCaption = 201,
    kBomBoards = 202,  // number of boards, 1…kMaxBoards
    kBomBoardsCaption = 203,
    kBomTabs = 204,
    kBomCheckTable = 205,
    kBomConfirmAll = 206,
    kBomTotals = 207,
    kBomPickTable = 208,
    kBomPrint = 209,
    kBomPickCsv = 210,
    kBomPickPdf = 211,
    kBomShortTable = 212,
    kBomShortTotal = 213,
    kBomShortCsv = 214,
    kBomAddToOrder = 215,
    kBomTake = 216,
    kBomSaveProject = 217,
    kBomClose = 218,
    kBomAccess = 219,  // what the role may not do here

    // Projects (230).
    kProjectsCaption = 231,
    kProjectsTable = 232,
    kProjectsOpen = 233,
    kProjectsRename = 234,
    kProjectsDelete = 235,
    kProjectsClose = 236,

    // Main window (4), below the list.
    kStatusBar = 170,  // what the role may not do, and short notices
};

enum MenuNumber : int {
    kPathTreeMenu = 6,
    kItemListMenu = 7,
    kLocationTreeMenu = 55,
    kMenuBar = 59,
};

enum MenuItem : int {
    kMenuCreateSection = 8,
    kMenuRenameSection = 9,
    kMenuDeleteSection = 10,
    kMenuAdd = 11,
    kMenuEdit = 12,
    kMenuDuplicate = 13,
    kMenuShowDocument = 14,
    kMenuWebSearch = 15,
    kMenuCheckAll = 16,
    kMenuUncheckAll = 17,
    kMenuCut = 18,
    kMenuPaste = 19,
    kMenuDeleteItems = 20,
    kMenuCreatePlace = 56,
    kMenuRenamePlace = 57,
    kMenuDeletePlace = 58,
    kMenuExit = 60,
    kMenuListFont = 61,
    kMenuTableSettings = 62,
    kMenuAbout = 63,
    kMenuRefreshList = 100,
    kMenuImportCsv = 120,
    kMenuExportCsv = 121,
    kMenuReorderList = 122,
    kMenuHistory = 123,       // "Файл": the whole store's history
    kMenuItemsHistory = 124,  // the list's menu: the checked or selected parts' history
    kMenuUndo = 125,          // "Правка": the user's own last change taken back (Ctrl+Z)
    kMenuCheckBom = 126,      // "Файл": a bill of materials checked against the store
    kMenuProjects = 127,      // "Файл": the stored projects
};

// Key and character codes the router looks at.
enum KeyCode : int {
    kCharEnter = 13,
    kCharEscape = 27,
    kKeyUp = 38,
    kKeyDown = 40,
    kKeyDelete = 46,
    kKeyF5 = 116,
};

}  // namespace detalehran
