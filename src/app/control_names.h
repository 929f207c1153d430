#pragma once
// The object names of the windows' controls and menu items: the window design's names, by which
// the tests and accessibility tools find them. Defined once here, for the widgets and the tests
// alike.

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
    const char* fromFileSearch;  // "From file:"
    const char* showChoice;      // "Show:", which entries by their marks
    const char* sortChoice;      // "Sort:"
    const char* origins;         // the line below the where-used line: where the sound came from
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
    .fromFileSearch = "FromFileEdit1",
    .showChoice = "ShowChoice1",
    .sortChoice = "SortChoice1",
    .origins = "Origins1",
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
    .fromFileSearch = "FromFileEdit2",
    .showChoice = "ShowChoice2",
    .sortChoice = "SortChoice2",
    .origins = "Origins2",
};

// A PCG tab.
struct PcgPageNames {
    const char* page;
    const char* bankGroup;
    const char* bankA;
    const char* bankB;
    const char* list;
    const char* whereUsed;  // the line below the list: who plays the program, what the
                            // combination plays
};
inline constexpr PcgPageNames kPcgProgramsPage{"TabSheet3",        "RadioGroup1",
                                               "RadioGroup1BankA", "RadioGroup1BankB",
                                               "PPListBox",        "PcgWhereUsed1"};
inline constexpr PcgPageNames kPcgCombinationsPage{"TabSheet4",        "RadioGroup2",
                                                   "RadioGroup2BankA", "RadioGroup2BankB",
                                                   "PCListBox",        "PcgWhereUsed2"};
// Right-click on a program line of the PCG: the combinations that play it.
inline constexpr const char* kUsedBy = "UsedBy";
inline constexpr const char* kUsedByList = "UsedByList";

// The menus and their items.
inline constexpr const char* kFileMenu = "File1";
inline constexpr const char* kNewDatabase = "NewDatabase";
inline constexpr const char* kOpenDatabase = "OpenDatabase";
inline constexpr const char* kRecentDatabases = "RecentDatabases";
inline constexpr const char* kRecoverDatabase = "RecoverDatabase";
inline constexpr const char* kMergeDatabase = "MergeDatabase";
inline constexpr const char* kExportDatabase = "SaveDatabaseAs";
inline constexpr const char* kExportList = "ExportList";
inline constexpr const char* kGiveBackPcg = "GiveBackPcg";
inline constexpr const char* kFileSeparator = "N2";
inline constexpr const char* kExit = "Exit1";
inline constexpr const char* kEditMenu = "Edit1";
inline constexpr const char* kUndo = "Undo";
inline constexpr const char* kRedo = "Redo";
inline constexpr const char* kUndoSeparator = "UndoSeparator";
inline constexpr const char* kSendToPcg = "SendItem";
inline constexpr const char* kSendToDatabase = "SendData";
inline constexpr const char* kSendToPcgAt = "SendItemAt";
inline constexpr const char* kDelete = "Delete1";
inline constexpr const char* kEditDatabaseClasses = "EditDatabaseClasses1";
inline constexpr const char* kCompare = "Compare";
inline constexpr const char* kFindSimilar = "FindSimilar";
inline constexpr const char* kFindNearDuplicates = "FindNearDuplicates";
inline constexpr const char* kClassifyByRules = "ClassifyByRules";
inline constexpr const char* kReplaceInNames = "ReplaceInNames";
// The musician's marks on the chosen entries: a submenu of the Edit menu, and the database
// lists' right-click menu. The ratings' items are "Rate0" (no rating) to "Rate5".
inline constexpr const char* kMarkMenu = "MarkMenu";
inline constexpr const char* kToggleFavourite = "ToggleFavourite";
inline constexpr const char* kRate = "Rate";
inline constexpr const char* kToggleHidden = "ToggleHidden";
inline constexpr const char* kPcgMenu = "Pcg1";
inline constexpr const char* kNewPcg = "NewPcg1";
inline constexpr const char* kImportPcg = "ImportPcg";
inline constexpr const char* kRecentPcgFiles = "RecentPcgFiles";
inline constexpr const char* kExportPcg = "ExportPcg1";
inline constexpr const char* kArrangePcg = "ArrangePcg";
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

// The other windows.
namespace classEditor {
inline constexpr const char* kWindow = "TForm2";
inline constexpr const char* kTree = "TreeView1";
inline constexpr const char* kFrame = "Bevel1";
inline constexpr const char* kNameLabel = "Label2";
inline constexpr const char* kClassName = "ClassName";
inline constexpr const char* kParentLabel = "Label1";
inline constexpr const char* kParent = "ComboBox1";
inline constexpr const char* kAdd = "Button1";
inline constexpr const char* kFull = "FullLabel";
inline constexpr const char* kDelete = "Button2";
inline constexpr const char* kImport = "Button3";
inline constexpr const char* kSave = "Button4";
}  // namespace classEditor

namespace classDialog {
inline constexpr const char* kWindow = "TForm4";
inline constexpr const char* kHeading = "Label1";
inline constexpr const char* kLimit = "Label2";
inline constexpr const char* kAvailableLabel = "Label3";
inline constexpr const char* kSelectedLabel = "Label4";
inline constexpr const char* kAvailable = "Avaible";
inline constexpr const char* kSelected = "Selected";
inline constexpr const char* kAdd = "Button1";
inline constexpr const char* kRemove = "Button2";
inline constexpr const char* kOk = "BitBtn1";
}  // namespace classDialog

namespace progress {
inline constexpr const char* kWindow = "TForm3";
inline constexpr const char* kProgramFrame = "Bevel1";
inline constexpr const char* kCombinationFrame = "Bevel2";
inline constexpr const char* kProgramBar = "ProgressBar1";
inline constexpr const char* kCombinationBar = "ProgressBar2";
inline constexpr const char* kFile = "ProgressFile";
inline constexpr const char* kFilesBar = "ProgressFiles";
inline constexpr const char* kTimeLeft = "ProgressTimeLeft";
inline constexpr const char* kCancel = "CancelSend";
}  // namespace progress

namespace about {
inline constexpr const char* kWindow = "TForm5";
inline constexpr const char* kIcon = "ProgramIcon";
inline constexpr const char* kPanel = "Panel1";
inline constexpr const char* kProduct = "ProductName";
inline constexpr const char* kVersion = "Version";
inline constexpr const char* kDate = "Copyright";
inline constexpr const char* kOk = "OKButton";
}  // namespace about

namespace busy {
inline constexpr const char* kWindow = "WorkProgress";
inline constexpr const char* kText = "WorkText";
inline constexpr const char* kBar = "WorkBar";
}  // namespace busy

namespace compare {
inline constexpr const char* kWindow = "CompareWindow";
inline constexpr const char* kLeft = "CompareLeft";
inline constexpr const char* kRight = "CompareRight";
inline constexpr const char* kLeftFilter = "CompareLeftFilter";
inline constexpr const char* kRightFilter = "CompareRightFilter";
inline constexpr const char* kFields = "CompareFields";
inline constexpr const char* kVerdict = "CompareVerdict";
inline constexpr const char* kBytes = "CompareBytes";
inline constexpr const char* kClose = "CloseCompare";
}  // namespace compare

// The report of databases merged: the window of its own name, with the controls of the report
// of files sent below.
inline constexpr const char* kMergeReport = "MergeReport";

namespace report {
inline constexpr const char* kWindow = "SendReport";
inline constexpr const char* kList = "ReportList";
inline constexpr const char* kTotals = "ReportTotals";
inline constexpr const char* kCopy = "CopyReport";
inline constexpr const char* kSave = "SaveReport";
inline constexpr const char* kClose = "CloseReport";
}  // namespace report

namespace recovery {
inline constexpr const char* kWindow = "RecoveryDialog";
inline constexpr const char* kList = "RecoveryList";
inline constexpr const char* kTotal = "RecoveryTotal";
inline constexpr const char* kOpen = "OpenCopy";
inline constexpr const char* kDelete = "DeleteCopy";
inline constexpr const char* kClose = "CloseRecovery";
}  // namespace recovery

// The bar across the top of the main window that offers the work the last run left.
namespace recoveryBar {
inline constexpr const char* kBar = "RecoveryBar";
inline constexpr const char* kText = "RecoveryBarText";
inline constexpr const char* kOpen = "OpenKeptWork";
inline constexpr const char* kShowAll = "ShowAllCopies";
inline constexpr const char* kDismiss = "DismissRecoveryBar";
}  // namespace recoveryBar

// Arrange Pcg. The label of a list or of the scope is named after it with "Label" appended
// ("ArrangeProgramsALabel").
namespace arrange {
inline constexpr const char* kWindow = "ArrangeWindow";
inline constexpr const char* kTabs = "ArrangeTabs";
inline constexpr const char* kProgramsA = "ArrangeProgramsA";
inline constexpr const char* kProgramsB = "ArrangeProgramsB";
inline constexpr const char* kCombinationsA = "ArrangeCombinationsA";
inline constexpr const char* kCombinationsB = "ArrangeCombinationsB";
inline constexpr const char* kDrumKits = "ArrangeDrumKits";
inline constexpr const char* kPreview = "ArrangePreview";
inline constexpr const char* kMoveTo = "ArrangeMoveTo";
inline constexpr const char* kSwap = "ArrangeSwap";
inline constexpr const char* kCopyTo = "ArrangeCopyTo";
inline constexpr const char* kEmpty = "ArrangeEmpty";
inline constexpr const char* kScope = "ArrangeScope";
inline constexpr const char* kSortByName = "ArrangeSortByName";
inline constexpr const char* kCloseGaps = "ArrangeCloseGaps";
inline constexpr const char* kUndo = "ArrangeUndo";
inline constexpr const char* kRedo = "ArrangeRedo";
inline constexpr const char* kClose = "ArrangeClose";
}  // namespace arrange

// Classify by Rules.
namespace rules {
inline constexpr const char* kWindow = "ClassifyRulesWindow";
inline constexpr const char* kRules = "RulesTable";
inline constexpr const char* kTest = "RuleTest";
inline constexpr const char* kScope = "RuleScope";
inline constexpr const char* kText = "RuleText";
inline constexpr const char* kFrom = "RuleFrom";
inline constexpr const char* kTo = "RuleTo";
inline constexpr const char* kId = "RuleId";
inline constexpr const char* kClass = "RuleClass";
inline constexpr const char* kNewClass = "RuleNewClass";
inline constexpr const char* kAdd = "AddRule";
inline constexpr const char* kChange = "ChangeRule";
inline constexpr const char* kRemove = "RemoveRule";
inline constexpr const char* kEntries = "RuleEntries";
inline constexpr const char* kSummary = "RulesSummary";
inline constexpr const char* kApply = "ApplyRules";
inline constexpr const char* kClose = "CloseRules";
}  // namespace rules

// Replace in Names.
namespace replaceNames {
inline constexpr const char* kWindow = "ReplaceNamesWindow";
inline constexpr const char* kChosen = "NamesChosen";
inline constexpr const char* kReplaceMode = "ReplaceMode";
inline constexpr const char* kNumberMode = "NumberMode";
inline constexpr const char* kFind = "FindText";
inline constexpr const char* kReplacement = "ReplacementText";
// The hints beside the three texts: how many characters fit, and a text that does not.
inline constexpr const char* kFindFit = "FindTextFit";
inline constexpr const char* kReplacementFit = "ReplacementTextFit";
inline constexpr const char* kBaseFit = "NumberBaseFit";
inline constexpr const char* kMatchCase = "MatchCase";
inline constexpr const char* kBase = "NumberBase";
inline constexpr const char* kStart = "NumberStart";
inline constexpr const char* kChanges = "NameChanges";
inline constexpr const char* kSummary = "NamesSummary";
inline constexpr const char* kApply = "ApplyNames";
inline constexpr const char* kClose = "CloseNames";
}  // namespace replaceNames

// Find Near Duplicates.
namespace nearDuplicates {
inline constexpr const char* kWindow = "NearDuplicatesWindow";
inline constexpr const char* kMaxBytes = "NearMaxBytes";
inline constexpr const char* kFind = "FindNearGroups";
inline constexpr const char* kFound = "NearFound";
inline constexpr const char* kPages = "NearPages";
inline constexpr const char* kGroups = "NearGroups";
inline constexpr const char* kNameGroups = "SameNameGroups";
inline constexpr const char* kMembers = "NearMembers";
inline constexpr const char* kKeep = "NearKeep";
inline constexpr const char* kPreview = "MergePreview";
inline constexpr const char* kMerge = "MergeGroup";
inline constexpr const char* kResult = "MergeResult";
inline constexpr const char* kClose = "CloseNearDuplicates";
inline constexpr const char* kOutOfDate = "NearOutOfDate";
inline constexpr const char* kRefresh = "RefreshNearDuplicates";
inline constexpr const char* kNumberNames = "NumberTheseNames";
inline constexpr const char* kShowInList = "ShowInList";
}  // namespace nearDuplicates

// Find Similar.
namespace similar {
inline constexpr const char* kWindow = "SimilarWindow";
inline constexpr const char* kHeading = "SimilarHeading";
inline constexpr const char* kShown = "SimilarShown";
inline constexpr const char* kList = "SimilarList";
inline constexpr const char* kCompare = "CompareSimilar";
inline constexpr const char* kClose = "CloseSimilar";
inline constexpr const char* kOutOfDate = "SimilarOutOfDate";
inline constexpr const char* kRefresh = "RefreshSimilar";
}  // namespace similar

}  // namespace pelvaro::app::names
