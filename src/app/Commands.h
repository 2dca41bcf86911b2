// The command table of the main window: every command the menu bar, the
// three tool bars, the accelerators, the context menus and code can send is
// one entry here, with its number, menu text, status prompt and tool tip,
// accelerator, enable rule, check rule and handler.
//
// The rules are plain functions of a CommandState snapshot, so they can be
// evaluated (and tested) without any window; CMainCommands builds the
// snapshot from the live windows and runs the handlers.
//
// Threads: GUI thread only (the table itself is constant data).
#pragma once

#include <QString>

#include <cstddef>
#include <span>

namespace lumora {

class CMainCommands;

// Command numbers. A range command (close / add to / open with / default
// worksheet) is named by its first number; its items are first + i.
enum class CommandId : int {
    None = 0,
    // File
    NewFolder = 32941,
    Delete = 32928,
    Properties = 32924,
    Settings = 32937,
    Exit = 57665,
    // Edit
    Cut = 57635,
    Copy = 57634,
    Paste = 57637,
    SelectAll = 32903,
    InvertSelection = 32993,
    // Image
    Preview = 33001,
    Compare = 33002, // two to four selected pictures side by side in the viewer
    AddToDefaultWorksheet = 36021,
    AddToWorksheet = 34000,      // ... 34099
    OpenWithApplication = 35000, // ... 35099
    // Worksheet
    NewWorksheet = 32790,
    ReadList = 32915,
    SetDefaultWorksheet = 36025, // ... 36124
    ClearWorksheet = 32795,
    CloseCurrentWorksheet = 32794,
    CloseAllWorksheets = 32908,
    CloseWorksheet = 32799, // ... 32898
    SaveList = 32910,
    ExportWorksheet = 32793,
    SortByName = 32920,
    SortByShootingTime = 36018,
    // View
    ShowJpeg = 32785,
    ShowRaw = 32784,
    ShowMisc = 32786,
    ThumbnailSize160 = 32900,
    ThumbnailSize120 = 32901,
    ThumbnailSize100 = 32902,
    ThumbnailSizeCustom = 32995,
    ShowFileName = 32966,
    ShowGuide = 32967,
    ShowMiniPreview = 37013,
    ShowInfoWindow = 36015,
    HistogramLuminance = 32971,
    HistogramRgb = 32972,
    SizeLimiter = 32962,
    SlideShow = 36011,
    Refresh = 32905,
    // Help
    HomePage = 32926,
    About = 57664,
    // Marks (rating, colour label, reject) of the selected items
    Rating0 = 37100, // ... Rating5 = 37105
    LabelRed = 37110,
    LabelYellow = 37111,
    LabelGreen = 37112,
    LabelBlue = 37113,
    LabelPurple = 37114,
    ToggleReject = 37120,
    UndoMark = 37121,
    SortByRating = 37122,
    // Filter of the current tab by marks
    FilterOff = 37130,
    FilterMinRating1 = 37131, // ... FilterMinRating5 = 37135
    FilterLabelRed = 37140,   // ... FilterLabelPurple = 37144
    FilterHideRejects = 37150,
    // Keys only
    SwitchPane = 32980,
    NextTab = 32982,
    PreviousTab = 32983,
    NextPane = 57680,
    PreviousPane = 57681,
};

constexpr int kRangeSize = 100;

inline constexpr int toInt(CommandId id) {
    return static_cast<int>(id);
}

// Where the keyboard focus is.
enum class FocusTarget { Other, View, Tree };

// Subsystems whose commands call hooks that may not be plugged in yet; a
// command needing an absent one is disabled.
enum HookNeed : unsigned {
    kNeedNothing = 0,
    kNeedWorksheets = 1u << 0, // tabs: create, close, default, add to, cycle
    kNeedListFiles = 1u << 1,  // read and save worksheet-list files
    kNeedExport = 1u << 2,     // export of a worksheet to a folder
    kNeedSettingsDialog = 1u << 3,
    kNeedSlideShow = 1u << 4,
    kNeedCompare = 1u << 5, // the viewer's comparison
};

// Everything the enable and check rules look at.
struct CommandState {
    unsigned hooks = 0; // HookNeed bits that are plugged in
    FocusTarget focus = FocusTarget::Other;
    bool hasView = true;           // a tab is current
    bool worksheetCurrent = false; // a tab other than the folder tab
    bool defaultWorksheetCurrent = false;
    int worksheetCount = 0;
    int defaultWorksheet = 0; // tab index of the default worksheet, 0 for none
    int selectedCount = 0;
    bool hasCursorItem = false;
    int itemCount = 0;
    bool busy = false; // the view is scanning shooting information
    int sortMode = 0;
    bool treePathEmpty = true;
    bool clipboardHasFiles = false; // a file list with its copy/cut effect
    int applicationCount = 0;
    bool slideShowRunning = false;
    bool miniPreviewShown = true;
    bool infoPaneShown = true;
    // The settings the check marks show.
    int fileType = 7;
    int thumbnailSize = 1;
    bool showFileName = true;
    bool showGuide = true;
    int histogramMode = 0;
    bool sizeLimiter = false;
    bool markUndoAvailable = false; // a mark was set that can be undone
    int filterMinRating = 0;        // the current tab's mark filter
    int filterLabel = 0;            // ColorLabel value, 0 any
    bool filterHideRejects = false;
};

using CommandRule = bool (*)(const CommandState&, int id);
using CommandHandler = void (CMainCommands::*)(int id);

struct CommandEntry {
    CommandId id;
    int count;              // 1, or kRangeSize for a range
    const char* menuText;   // with its mnemonic and "\t" key text; null: key only
    const char* prompt;     // "prompt\ntool tip" of the string table; null: none
    const char* key;        // accelerator in QKeySequence text form; null: none
    unsigned needs;         // HookNeed bits
    CommandRule enabled;    // null: always enabled
    CommandRule checked;    // null: never checked
    CommandHandler handler; // null: no handler (always disabled)

    bool contains(int number) const { return number >= toInt(id) && number < toInt(id) + count; }
};

std::span<const CommandEntry> commandTable();
// The entry of a command number (the range entry for a range item), or null.
const CommandEntry* findCommand(int number);

// The enable and check rules, with the hook needs and the handler's presence.
bool isCommandEnabled(int number, const CommandState& state);
bool isCommandChecked(int number, const CommandState& state);

// Status-bar prompt (part 0) and tool tip (part 1) of a command.
QString commandPrompt(int number);
QString commandToolTip(int number);

// The menu bar's layout: a tree of items in order.
struct MenuNode {
    enum Kind { Command, Separator, Submenu, Range };
    Kind kind;
    int command;      // Command, Range (first number); Submenu: 0
    const char* text; // Submenu title; Command: null (the table's text)
    std::span<const MenuNode> children;
};
std::span<const MenuNode> menuBarLayout();

// Button order of tool bars 128, 161 and 170; 0 is a separator.
std::span<const int> toolBarButtons(int barId);

// The maker's home page; empty while the project has no public page, and
// then the README that ships with the program is opened instead.
extern const char* const kHomePageAddress;

} // namespace lumora
