// The command-line front end, as a function so tests can run it without a process.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace vintrel {

// `args` excludes the program name. Returns the exit status: 0 done, 1 nothing could be read or
// written, 2 usage error.
int runConvert(const QStringList& args, QTextStream& out, QTextStream& err, QChar decimalSeparator);

}  // namespace vintrel
