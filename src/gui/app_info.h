// What the program says about itself: the answer to `vintrel --help` and `vintrel --version`,
// given before any window or display is needed, and the About box.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vintrel {

struct InfoAnswer {
    QString text;  // printed to stdout
    int status;    // the exit status
};

// The answer to an argument list that only asks for information (--help, -h, --version), or
// nullopt when the window is to start. `args` holds the arguments after the program's name.
std::optional<InfoAnswer> infoAnswer(const QStringList& args);

// The About box: the version, Vintrel's licence, and the libraries it runs on with theirs.
QString aboutText();

}  // namespace vintrel
