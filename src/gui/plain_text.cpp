#include "gui/plain_text.h"

#include "model/file_names.h"

#include <QStringList>

namespace vintrel {

QString shownText(const QString& text) {
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        line = displayFileName(line);
    }
    return lines.join(u'\n');
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty()) {
        return text;
    }
    return QStringLiteral("<p style='white-space:pre'>") + shownText(text).toHtmlEscaped() +
           QStringLiteral("</p>");
}

}  // namespace vintrel
