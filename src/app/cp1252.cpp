#include "app/cp1252.h"

#include "registry/code_page.h"

namespace vintrel {

QByteArray toCp1252(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;  // one character outside the basic plane: one '?'
            out.append('?');
            continue;
        }
        out.append(codepage::unicodeToCp1252(c.unicode()));
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(codepage::cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

}  // namespace vintrel
