#pragma once
// The object names of the main window's controls and menu items: the window design's names,
// by which the tests and accessibility tools find them. Defined once here, for the widgets and
// the tests alike.

namespace pelvaro::app::names {

// The window and its frame.
inline constexpr const char* kMainWindow = "TForm1";
inline constexpr const char* kRule = "Bevel1";
inline constexpr const char* kPages = "PageControl";
inline constexpr const char* kEventList = "Aevents";
inline constexpr const char* kEventSplitter = "EventSplitter";
inline constexpr const char* kCopyEvents = "CopyEvents";
inline constexpr const char* kSelectAllEvents = "SelectAllEvents";
inline constexpr const char* kStatusPanel = "StatusPanel";
inline constexpr const char* kStatusPcg = "StatusPcg";
inline constexpr const char* kStatusDatabase = "StatusDatabase";
inline constexpr const char* kStatusResult = "StatusResult";

// A database tab; the programs' and the combinations' carry the same parts under their own
// names. A part the tab does not have is null.
struct DatabasePageNames {
    const char* page;
    const char* list;
    const char* searchGroup;
    const char* nameSearch;
    const char* classSearch;
    const char* referenceSearch;  // "Drum ID:" or "Program ID:"
    const char* soundFrom;
    const char* soundTo;
    const char* searchButton;
    const char* editEnabled;
    const char* panel;
    const char* id;
    const char* drumId;
    const char* timbreIds;
    const char* name;
    const char* classes;
    const char* editClasses;
    const char* editRecord;  // "Edit Program" / "Edit Combi.", never enabled
    const char* explanation;
    const char* submit;
    const char* whereUsed;
};
inline constexpr DatabasePageNames kProgramsPage{
    .page = "TabSheet1",
    .list = "DPListBox",
    .searchGroup = "GroupBox1",
    .nameSearch = "SearchEdit1",
    .classSearch = "SearchCombo1",
    .referenceSearch = "MaskEdit1",
    .soundFrom = "MaskFrom1",
    .soundTo = "MaskTo1",
    .searchButton = "Button2",
    .editEnabled = "CheckBox1",
    .panel = "Panel1",
    .id = "IDNumber1",
    .drumId = "DrumId1",
    .timbreIds = nullptr,
    .name = "Name1",
    .classes = "ListBox1",
    .editClasses = "Button5",
    .editRecord = "Button6",
    .explanation = "Memo1",
    .submit = "Button4",
    .whereUsed = "WhereUsed1",
};
inline constexpr DatabasePageNames kCombinationsPage{
    .page = "TabSheet2",
    .list = "DCListBox",
    .searchGroup = "GroupBox2",
    .nameSearch = "SearchEdit2",
    .classSearch = "SearchCombo2",
    .referenceSearch = "MaskEdit2",
    .soundFrom = nullptr,
    .soundTo = nullptr,
    .searchButton = "Button1",
    .editEnabled = "CheckBox2",
    .panel = "Panel2",
    .id = "IDNumber2",
    .drumId = nullptr,
    .timbreIds = "TimbIDBox",
    .name = "Name2",
    .classes = "ListBox2",
    .editClasses = "Button7",
    .editRecord = "Button8",
    .explanation = "Memo2",
    .submit = "Button3",
    .whereUsed = "WhereUsed2",
};

// A PCG tab.
struct PcgPageNames {
    const char* page;
    const char* bankGroup;
    const char* bankA;
    const char* bankB;
    const char* list;
};
inline constexpr PcgPageNames kPcgProgramsPage{"TabSheet3", "RadioGroup1", "RadioGroup1BankA",
                                               "RadioGroup1BankB", "PPListBox"};
inline constexpr PcgPageNames kPcgCombinationsPage{"TabSheet4", "RadioGroup2", "RadioGroup2BankA",
                                                   "RadioGroup2BankB", "PCListBox"};
// Right-click on a program line of the PCG: the combinations that play it.
inline constexpr const char* kUsedBy = "UsedBy";
inline constexpr const char* kUsedByList = "UsedByList";

// The menus and their items.
inline constexpr const char* kFileMenu = "File1";
inline constexpr const char* kNewDatabase = "NewDatabase";
inline constexpr const char* kOpenDatabase = "OpenDatabase";
inline constexpr const char* kRecentDatabases = "RecentDatabases";
inline constexpr const char* kRecoverDatabase = "RecoverDatabase";
inline constexpr const char* kExportDatabase = "SaveDatabaseAs";
inline constexpr const char* kExportList = "ExportList";
inline constexpr const char* kFileSeparator = "N2";
inline constexpr const char* kExit = "Exit1";
inline constexpr const char* kEditMenu = "Edit1";
inline constexpr const char* kUndo = "Undo";
inline constexpr const char* kRedo = "Redo";
inline constexpr const char* kUndoSeparator = "UndoSeparator";
inline constexpr const char* kSendToPcg = "SendItem";
inline constexpr const char* kSendToDatabase = "SendData";
inline constexpr const char* kDelete = "Delete1";
inline constexpr const char* kEditDatabaseClasses = "EditDatabaseClasses1";
inline constexpr const char* kCompare = "Compare";
inline constexpr const char* kPcgMenu = "Pcg1";
inline constexpr const char* kNewPcg = "NewPcg1";
inline constexpr const char* kImportPcg = "ImportPcg";
inline constexpr const char* kRecentPcgFiles = "RecentPcgFiles";
inline constexpr const char* kExportPcg = "ExportPcg1";
inline constexpr const char* kSendPcgToDatabase = "SendPCGtoDatabase2";
inline constexpr const char* kSendPcgFiles = "SendPcgFiles";
inline constexpr const char* kSendOnlyPrograms = "SendOnlyProgramsofPCG1";
inline constexpr const char* kSendOnlyCombinations = "SendOnlyCombinationsofPCG1";
inline constexpr const char* kHelpMenu = "Help1";
inline constexpr const char* kContents = "Contents1";
inline constexpr const char* kSearchForHelp = "SearchforHelpOn1";
inline constexpr const char* kHowToUseHelp = "HowtoUseHelp1";
inline constexpr const char* kAbout = "About1";
// The recent files' items are "RecentPcgFile1", "RecentDatabase1", ... and the lists' "Clear".
inline constexpr const char* kRecentPcgFile = "RecentPcgFile";
inline constexpr const char* kRecentDatabase = "RecentDatabase";
inline constexpr const char* kClearRecentPcgFiles = "ClearRecentPcgFiles";
inline constexpr const char* kClearRecentDatabases = "ClearRecentDatabases";

}  // namespace pelvaro::app::names
