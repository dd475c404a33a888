#include "export/cp1252_text.h"

#include "base/cp1252.h"

namespace vintrel {

namespace {

std::u16string_view utf16(QStringView text) {
    return {text.utf16(), static_cast<size_t>(text.size())};
}

}  // namespace

qsizetype cp1252Length(QStringView text) {
    return static_cast<qsizetype>(cp1252::encodedLength(utf16(text)));
}

void appendCp1252(QByteArray& out, QStringView text) {
    // Written in place: appending byte by byte costs more than the conversion itself.
    const qsizetype start = out.size();
    out.resize(start + cp1252Length(text));
    cp1252::encode(utf16(text), out.data() + start);
}

QString fromCp1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out[i] = QChar(cp1252::toUnicode(static_cast<unsigned char>(bytes[i])));
    }
    return out;
}

}  // namespace vintrel
