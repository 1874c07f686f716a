#pragma once
// The one vocabulary of numbers: form names, control IDs and menu commands.
// The form definitions, the window procedures, the end-to-end driver and the
// benchmarks name them from here and nowhere else. Programs outside Tobrix
// address these values, so a value never changes once it is given.

// Form names, as the framework looks them up.
constexpr char kMainFormName[] = "FORM1";
constexpr char kAccessCodeFormName[] = "FORM2";
constexpr char kPresetFormName[] = "FORM3";
constexpr char kUnusedFormName[] = "FORM4";  // defined, never created
constexpr char kAboutFormName[] = "FORM5";
// Prize rounds.
constexpr char kPrizeEditorFormName[] = "FORM6";
constexpr char kRedrawFormName[] = "FORM8";
constexpr char kRosterFormName[] = "FORM7";  // "导入名单"

// FORM1, the main window. IDs of a form run from 100 without gaps.
namespace form1 {
enum : int {
    kStart = 100,
    kStop = 101,
    kResultDisplay = 102,
    kPicture = 103,
    kPanelToggle = 104,  // "模式切换>>"
    kStatusBar = 105,
    kSettingsFrame = 106,
    kEditFile = 107,
    kNewFile = 108,
    kDeleteFile = 109,
    kRefreshFiles = 110,
    kStepList = 111,
    kJumpFrequency = 112,
    kFrequencyLabel = 113,
    kStepLabel = 114,
    kLowerLimit = 115,
    kUpperLimit = 116,
    kUpperLabel = 117,
    kLowerLabel = 118,
    kDrawRecord = 119,
    kClose = 120,
    kClear = 121,
    kNameFileList = 122,
    kFileListLabel = 123,
    kClock = 124,
    kContactLabel = 125,
    kWebLabel = 126,
    kDrawCount = 127,
    kDrawInterval = 128,
    kCountLabel = 129,
    kIntervalLabel = 130,
    kNamesBox = 131,
    kAutoDrawFrame = 132,
    kLastControl = kAutoDrawFrame,
};
}  // namespace form1

// FORM2, the access code.
namespace form2 {
enum : int {
    kOk = 100,
    kCode = 101,
};
}  // namespace form2

// FORM3, the preset.
namespace form3 {
enum : int {
    kCancel = 100,
    kSave = 101,
    kPreset = 102,
};
}  // namespace form3

// FORM5, about.
namespace form5 {
enum : int {
    kWebLink = 100,
    kBugNote = 101,
    kImLabel = 102,
    kImAccount = 103,
    kWebLabel = 104,
};
}  // namespace form5

// FORM6, the prize editor ("奖项设置").
namespace form6 {
enum : int {
    kTierList = 100,
    kNameLabel = 101,
    kName = 102,
    kPrizeLabel = 103,
    kPrize = 104,
    kCountLabel = 105,
    kCount = 106,
    kPerBatchLabel = 107,
    kPerBatch = 108,
    kRepeat = 109,  // "可重复中奖"
    kAdd = 110,
    kDelete = 111,
    kMoveUp = 112,
    kMoveDown = 113,
    kOk = 114,
    kCancel = 115,
    kLeftOut = 116,  // the tiers the file had that could not be used
};
}  // namespace form6

// FORM8, "补抽": the winners of the latest batch, one to redraw.
namespace form8 {
enum : int {
    kWinnerList = 100,
    kOk = 101,
    kCancel = 102,
};
}  // namespace form8
// FORM7, the roster import's preview. OK and Cancel are IDOK and IDCANCEL.
namespace form7 {
enum : int {
    kNameColumn = 100,
    kNumberColumn = 101,
    kDepartmentColumn = 102,
    kHeaderRow = 103,  // "第一行是标题"
    kPreview = 104,    // the first rows as they will be imported
    kSummary = 105,
    kFileName = 106,
    kSheet = 107,      // a workbook's sheets; hidden for one sheet or a CSV
    kSheetLabel = 108,
    kNameLabel = 109,
    kNumberLabel = 110,
    kDepartmentLabel = 111,
    kFileNameLabel = 112,
};
}  // namespace form7

// FORM1's menu commands.
namespace menu {
enum : int {
    kBlueBackground = 1000,
    kBlackBackground = 1001,
    kRedBackground = 1002,
    kYellowBackground = 1003,
    kNumberMode = 1004,
    kNameMode = 1005,
    kNumberPreset = 1006,
    kNamePreset = 1007,
    kUsageGuide = 1008,
    kAbout = 1009,
    // "工具"
    kPresenterView = 1020,
    kNoRepeats = 1021,
    kResetPool = 1022,
    kTakeBack = 1023,
    kVoidLast = 1024,
    kExportRecord = 1025,
    kCopyRecord = 1026,
    kSound = 1027,
    // Prize rounds
    kPrizeEditor = 1028,  // "奖项设置..."
    kPrizeRounds = 1029,  // "按奖项抽取"
    kRedrawWinner = 1030,  // "补抽..."
    // "工具": rosters
    kImportRoster = 1031,  // "导入名单..."
    kPasteRoster = 1032,   // "粘贴名单"
};
}  // namespace menu
