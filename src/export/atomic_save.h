// Replacing a file in one step: the new contents go to a temporary file beside the target, which
// takes the target's place only when complete. A failure at any point leaves the old file as it was.
#pragma once

#include <QByteArray>
#include <QString>

namespace vintrel {

// Returns false with the system's reason.
bool saveAtomically(const QString& path, const QByteArray& bytes, QString& error);

}  // namespace vintrel
