#include "export/cp1252_text.h"

#include "base/cp1252.h"

namespace vintrel {

qsizetype cp1252Length(QStringView text) {
    qsizetype pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    return text.size() - pairs;
}

void appendCp1252(QByteArray& out, QStringView text) {
    // Written in place: appending byte by byte costs more than the conversion itself.
    const qsizetype start = out.size();
    out.resize(start + cp1252Length(text));
    char* p = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;  // one character outside the basic plane: one '?'
            *p++ = '?';
            continue;
        }
        *p++ = codepage::unicodeToCp1252(c.unicode());
    }
}

QString fromCp1252(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(codepage::cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

}  // namespace vintrel
