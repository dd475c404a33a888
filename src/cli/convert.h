// The command-line front end, as a function so tests can run it without a process.
#pragma once

#include "devices/garmin_devices.h"
#include "export/export_context.h"
#include "model/clock.h"

#include <QStringList>
#include <QTextStream>

namespace vintrel {

// What the front end takes from the system; tests give their own.
struct ConvertEnvironment {
    QChar decimalSeparator = u'.';
    registry::RegistryApi* registry = nullptr;
    const Clock* clock = nullptr;
    // Where a progress line goes while long work runs: the terminal, when both output streams are
    // one; nullptr for none.
    QTextStream* progress = nullptr;
    // Where Garmin units plugged in are found; nowhere unless given (the program gives the system's).
    DeviceSearch deviceSearch{.mountTable = {}, .runtimeDir = {}};
};

// `args` excludes the program name. Returns the exit status: 0 done, 1 nothing could be read or
// written, 2 usage error, 3 written but an input could not be read whole.
int runConvert(const QStringList& args, QTextStream& out, QTextStream& err, const ConvertEnvironment& env);

}  // namespace vintrel
