#include "import/xml/xml_stream.h"

#include "base/cp1252.h"

#include <QFile>

#include <expat.h>

#include <algorithm>
#include <cstring>

namespace vintrel {

namespace {

constexpr char kNamespaceSeparator = '\x1f';
constexpr qint64 kBlockSize = 256 * 1024;

int XMLCALL unknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    const QByteArray n = QByteArray(name).toLower();
    if (n != "windows-1252" && n != "cp1252" && n != "x-cp1252") {
        return XML_STATUS_ERROR;
    }
    for (int b = 0; b < 256; ++b) {
        info->map[b] = cp1252::toUnicode(static_cast<unsigned char>(b));
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

XmlName splitName(const XML_Char* qualified) {
    const std::string_view all(qualified);
    const size_t sep = all.find(kNamespaceSeparator);
    if (sep == std::string_view::npos) {
        return {{}, all};
    }
    return {all.substr(0, sep), all.substr(sep + 1)};
}

}  // namespace

struct XmlStream::Impl {
    XmlHandler& handler;
    XML_Parser parser;
    std::string text;  // UTF-8 character data since the last tag
    bool sawElement = false;

    explicit Impl(XmlHandler& h) : handler(h), parser(XML_ParserCreateNS(nullptr, kNamespaceSeparator)) {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &Impl::onStart, &Impl::onEnd);
        XML_SetCharacterDataHandler(parser, &Impl::onText);
        XML_SetUnknownEncodingHandler(parser, &unknownEncoding, nullptr);
    }
    ~Impl() { XML_ParserFree(parser); }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* self = static_cast<Impl*>(data);
        self->text.clear();
        self->sawElement = true;
        self->handler.startElement(splitName(name), attributes);
    }
    static void XMLCALL onEnd(void* data, const XML_Char* name) {
        auto* self = static_cast<Impl*>(data);
        self->handler.endElement(splitName(name), std::string_view(self->text));
        self->text.clear();
    }
    static void XMLCALL onText(void* data, const XML_Char* s, int len) {
        static_cast<Impl*>(data)->text.append(s, len);
    }

    XmlParseOutcome failure() const {
        XmlParseOutcome out;
        out.ok = false;
        out.line = static_cast<long>(XML_GetCurrentLineNumber(parser));
        out.message = QStringLiteral("the file is not valid XML (%1)")
                          .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser))));
        return out;
    }

    bool feed(const char* bytes, qint64 size, bool last) {
        return XML_Parse(parser, bytes, static_cast<int>(size), last ? 1 : 0) == XML_STATUS_OK;
    }
};

XmlStream::XmlStream(XmlHandler& handler) : impl_(new Impl(handler)) {}

XmlStream::~XmlStream() {
    delete impl_;
}

long XmlStream::currentLine() const {
    return static_cast<long>(XML_GetCurrentLineNumber(impl_->parser));
}

bool XmlStream::sawElement() const {
    return impl_->sawElement;
}

XmlParseOutcome XmlStream::parseFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        XmlParseOutcome out;
        out.ok = false;
        out.message = QStringLiteral("cannot be opened: %1").arg(file.errorString());
        return out;
    }
    QByteArray block(kBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), kBlockSize);
        if (n < 0) {
            XmlParseOutcome out;
            out.ok = false;
            out.line = currentLine();
            out.message = QStringLiteral("read error: %1").arg(file.errorString());
            return out;
        }
        const bool last = n == 0;
        if (!impl_->feed(block.constData(), n, last)) {
            return impl_->failure();
        }
        if (last) {
            return {};
        }
    }
}

std::optional<std::string> attributeUtf8(const char** attributes, std::string_view name) {
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        if (name == a[0]) {
            return std::string(a[1]);
        }
    }
    return std::nullopt;
}

}  // namespace vintrel
