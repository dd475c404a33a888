// What the program says about itself: the answer to `vintrel --help` and `vintrel --version`,
// given before any window or display is needed, and the About box.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vintrel {

struct InfoAnswer {
    QString text;  // printed to stdout, or to stderr when the status is not 0
    int status;    // the exit status
};

// The answer to an argument list that only asks for information (--help, -h, --version) or holds
// an option neither Vintrel nor Qt knows (status 2), or nullopt when the window is to start.
// `args` holds the arguments after the program's name.
std::optional<InfoAnswer> infoAnswer(const QStringList& args);

// What the program says when no window can be opened (no display): one line, for status 1.
QString noDisplayText(const QString& reason);

// The About box: the version, Vintrel's licence, and the libraries it runs on with theirs.
QString aboutText();

}  // namespace vintrel
