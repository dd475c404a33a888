// Which of the window's controls are shown and enabled, decided in one table: a row per control,
// saying how it is enabled and whether it shows in each phase of the window. The window keeps a
// WindowState and applies the table whenever that state changes; nothing else shows, hides,
// enables or disables these controls.
#pragma once

#include "export/export_formats.h"
#include "model/column_layout.h"

#include <array>
#include <cstddef>
#include <optional>

namespace vintrel {

// The controls the table rules, by the part they play.
enum class Control {
    FileOpen,      // cmdFileOpen
    Processing,    // lblProcessing
    Grid,          // MSFlexGrid1
    Advice,        // txtRecordlist
    StartHint,     // lblStart
    Decimal,       // chkDecimal
    IncludeDesc,   // chkIncludeDesc
    Count,         // lblCount
    ClearGrid,     // cmdClearGrid
    OutputLabel,   // lblOutput
    Output,        // cboOutput
    DisplayLabel,  // lblDisplay
    Display,       // cboDisplay
    ColourLabel,   // lblColor
    Colour,        // cboColor
    PoiAlerts,     // the GPI speed unit and proximity choices
    CreateNew,     // cmdCreateNew
    Add,           // cmdAdd
    SendToGps,     // cmdSendToGps
    MapSource,     // cmdMapsource
    Find,          // the find box
    Exit,          // cmdExit
};
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::Exit) + 1;

// The phases of the window, as its work moves it between them.
enum class Phase {
    Start,        // nothing read yet
    Reading,      // files are being read
    NothingRead,  // an import ended with an empty list: its advice takes the grid's place
    Filled,       // an import ended with rows in the list (later removals may empty it)
    Cleared,      // Clear List emptied the list
};
inline constexpr std::size_t kPhaseCount = static_cast<std::size_t>(Phase::Cleared) + 1;

struct WindowState {
    Phase phase = Phase::Start;
    bool busy = false;                     // reading or writing beside the window
    bool hasRows = false;                  // the list holds a row
    bool hasAdvice = false;                // the last import left an advice for an empty list
    const ExportFormat* format = nullptr;  // the output chosen; nullptr for "Choose One:"
    ListView view = ListView::Waypoints;   // as the last file read lays the list out
    bool mapSourceOffered = false;         // the last file written opens in MapSource
    bool deviceFound = false;              // a Garmin unit is plugged in
};

struct ControlState {
    std::optional<bool> visible;  // nullopt: the control shows and hides itself
    bool enabled;
};

ControlState controlState(Control control, const WindowState& state);

}  // namespace vintrel
