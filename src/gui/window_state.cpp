#include "gui/window_state.h"

namespace vintrel {

namespace {

// How a control is enabled, whatever the phase.
enum class Enabled {
    Always,   // also while work runs: Exit, and what only shows something
    Idle,     // while no work runs
    Rows,     // idle, and the list has rows
    Creates,  // idle, the list has rows and a format is chosen
    Adds,     // idle, the list has rows and the format chosen can be added to
    Sends,    // idle, the list has rows and a Garmin unit is plugged in
};

// Whether a control shows in a phase.
enum class Shown {
    No,
    Yes,
    Display,   // while the format chosen has a display mode
    Colour,    // while the format chosen has a colour and the list holds no networks
    Alerts,    // while the format chosen has proximity and speed alerts
    Offered,   // while the last file written opens in MapSource
    Hint,      // while the list is empty
    Advice,    // while there is an advice to show
    NoAdvice,  // while there is none: the start hint takes the empty box's place
    Own,       // as the control itself decides (the find box opens and closes itself)
};

struct ControlRow {
    Control control;
    Enabled enabled;
    std::array<Shown, kPhaseCount> shown;  // in the order of Phase
};

using enum Shown;

// clang-format off
constexpr ControlRow kTable[] = {
    //                                          Start Reading NothingRead Filled    Cleared
    {Control::FileOpen,     Enabled::Idle,     {Yes,  Yes,    Yes,        Yes,      Yes}},
    {Control::Processing,   Enabled::Always,   {No,   Yes,    No,         No,       No}},
    {Control::Grid,         Enabled::Always,   {No,   No,     No,         Yes,      Yes}},
    {Control::Advice,       Enabled::Always,   {No,   No,     Advice,     No,       No}},
    {Control::StartHint,    Enabled::Always,   {Yes,  No,     NoAdvice,   Hint,     Yes}},
    {Control::Decimal,      Enabled::Idle,     {No,   No,     No,         Yes,      Yes}},
    {Control::IncludeDesc,  Enabled::Idle,     {No,   No,     No,         Yes,      Yes}},
    {Control::Count,        Enabled::Always,   {Yes,  No,     No,         Yes,      Yes}},
    {Control::ClearGrid,    Enabled::Rows,     {No,   No,     No,         Yes,      Yes}},
    {Control::OutputLabel,  Enabled::Always,   {No,   No,     No,         Yes,      No}},
    {Control::Output,       Enabled::Idle,     {No,   No,     No,         Yes,      No}},
    {Control::DisplayLabel, Enabled::Always,   {No,   No,     No,         Display,  No}},
    {Control::Display,      Enabled::Idle,     {No,   No,     No,         Display,  No}},
    {Control::ColourLabel,  Enabled::Always,   {No,   No,     No,         Colour,   No}},
    {Control::Colour,       Enabled::Idle,     {No,   No,     No,         Colour,   No}},
    {Control::PoiAlerts,    Enabled::Idle,     {No,   No,     No,         Alerts,   No}},
    {Control::CreateNew,    Enabled::Creates,  {No,   No,     No,         Yes,      No}},
    {Control::Add,          Enabled::Adds,     {No,   No,     No,         Yes,      No}},
    {Control::SendToGps,    Enabled::Sends,    {No,   No,     No,         Yes,      No}},
    {Control::MapSource,    Enabled::Idle,     {No,   No,     No,         Offered,  Offered}},
    {Control::Find,         Enabled::Idle,     {Own,  Own,    Own,        Own,      Own}},
    {Control::Exit,         Enabled::Always,   {Yes,  Yes,    Yes,        Yes,      Yes}},
};
// clang-format on

static_assert(std::size(kTable) == kControlCount, "a row for every control");

constexpr bool inOrder() {
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (static_cast<std::size_t>(kTable[i].control) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inOrder(), "the rows in the order of Control");

bool isEnabled(Enabled rule, const WindowState& s) {
    const bool idle = !s.busy;
    switch (rule) {
        case Enabled::Always:
            return true;
        case Enabled::Idle:
            return idle;
        case Enabled::Rows:
            return idle && s.hasRows;
        case Enabled::Creates:
            return idle && s.hasRows && s.format != nullptr;
        case Enabled::Adds:
            return idle && s.hasRows && s.format != nullptr && s.format->add != nullptr;
        case Enabled::Sends:
            return idle && s.hasRows && s.deviceFound;
    }
    return false;
}

std::optional<bool> isShown(Shown rule, const WindowState& s) {
    switch (rule) {
        case No:
            return false;
        case Yes:
            return true;
        case Display:
            return s.format != nullptr && s.format->hasDisplayMode;
        case Colour:
            return s.format != nullptr && s.format->hasColour && s.view != ListView::Networks;
        case Alerts:
            return s.format != nullptr && s.format->hasAlerts;
        case Offered:
            return s.mapSourceOffered;
        case Hint:
            return !s.hasRows;
        case Advice:
            return s.hasAdvice;
        case NoAdvice:
            return !s.hasAdvice;
        case Own:
            return std::nullopt;
    }
    return false;
}

}  // namespace

ControlState controlState(Control control, const WindowState& state) {
    const ControlRow& row = kTable[static_cast<std::size_t>(control)];
    return {isShown(row.shown[static_cast<std::size_t>(state.phase)], state), isEnabled(row.enabled, state)};
}

}  // namespace vintrel
