#include "export/gpx/gpx_writer.h"

#include "base/cp1252.h"
#include "export/add_driver.h"
#include "export/gpx/gpx_waypoint.h"
#include "formats/gpx/gpx_names.h"
#include "formats/xml/xml_limits.h"
#include "model/field_text.h"

#include <QLocale>
#include <QSet>

#include <expat.h>

#include <string>
#include <vector>

namespace vintrel {

namespace {

// What adding needs to know of an existing file.
struct GpxTarget {
    QString error;  // why it is refused; empty when it may be added to
    GpxVersion version = GpxVersion::V11;
    qsizetype insertAt = 0;      // where the new waypoints go
    bool afterWaypoint = false;  // insertAt is the end of the last <wpt>, else the start of what follows
    qsizetype indentFrom = 0;    // the start tag whose indentation the new lines copy
    int waypointCount = 0;       // the file's <wpt> elements
    QByteArray prefix;           // of the file's GPX elements ("g" for <g:gpx>), which new ones take
    QSet<QString> names;         // of its waypoints and route points, as the GPX reader reads them
};

// The file's encoding as far as writing into it goes.
enum class TargetEncoding { Utf8, Utf16Le, Utf16Be, AsciiWithReferences };

TargetEncoding sniffEncoding(QByteArrayView file) {
    if (file.startsWith("\xFF\xFE") || file.startsWith(QByteArrayView("<\0", 2))) {
        return TargetEncoding::Utf16Le;
    }
    if (file.startsWith("\xFE\xFF") || file.startsWith(QByteArrayView("\0<", 2))) {
        return TargetEncoding::Utf16Be;
    }
    return TargetEncoding::Utf8;
}

bool isCp1252Name(std::string_view name) {
    const QByteArray lower = QByteArray(name.data(), static_cast<qsizetype>(name.size())).toLower();
    return lower == "windows-1252" || lower == "cp1252" || lower == "x-cp1252";
}

// Reads the file's characters from the bytes of its encoding: its markup, its line end and indentation.
class CharReader {
  public:
    CharReader(QByteArrayView file, TargetEncoding encoding) : file_(file), encoding_(encoding) {}
    int width() const {
        return encoding_ == TargetEncoding::Utf16Le || encoding_ == TargetEncoding::Utf16Be ? 2 : 1;
    }
    char16_t at(qsizetype offset) const {
        const auto b = [this](qsizetype i) { return static_cast<unsigned char>(file_[i]); };
        switch (encoding_) {
            case TargetEncoding::Utf16Le:
                return static_cast<char16_t>(b(offset) | (b(offset + 1) << 8));
            case TargetEncoding::Utf16Be:
                return static_cast<char16_t>((b(offset) << 8) | b(offset + 1));
            default:
                return b(offset);
        }
    }
    // The file's first line end: "\r\n", "\n", "\r", or nothing in a file of one line.
    QByteArray lineEnd() const {
        for (qsizetype i = 0; i + width() <= file_.size(); i += width()) {
            if (at(i) == u'\n') {
                return "\n";
            }
            if (at(i) == u'\r') {
                return i + 2 * width() <= file_.size() && at(i + width()) == u'\n' ? "\r\n" : "\r";
            }
        }
        return {};
    }
    // The blanks between the start of the line and `offset`; nothing when other text stands there.
    QByteArray indentation(qsizetype offset) const {
        QByteArray blanks;
        for (qsizetype i = offset - width(); i >= 0; i -= width()) {
            const char16_t c = at(i);
            if (c == u'\n' || c == u'\r') {
                return blanks;
            }
            if (c != u' ' && c != u'\t') {
                return {};
            }
            blanks.prepend(static_cast<char>(c));
        }
        return blanks;
    }

  private:
    QByteArrayView file_;
    TargetEncoding encoding_;
};

// A strict pass of expat over the whole file: any damage ends it, as do the things the GPX reader
// would repair on its way (an element inside one of the same name, nesting beyond its limit).
class TargetScan {
  public:
    // `encoding`: what the parser is told the bytes are, whatever the file declares.
    GpxTarget run(QByteArrayView file, const char* encoding = nullptr) {
        if (file.isEmpty()) {
            target_.error = QStringLiteral("it is empty");
            return std::move(target_);
        }
        XML_Parser parser = XML_ParserCreateNS(encoding, '\x01');
        parser_ = parser;
        XML_SetReturnNSTriplet(parser, 1);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &TargetScan::onStart, &TargetScan::onEnd);
        XML_SetCharacterDataHandler(parser, &TargetScan::onText);
        XML_SetNamespaceDeclHandler(parser, &TargetScan::onDeclarationStart, &TargetScan::onDeclarationEnd);
        // The reader never expands an entity a document declares itself: "&n;" is the text it reads.
        // Set, the default handler gets such a reference as it stands instead of its replacement.
        XML_SetDefaultHandler(parser, &TargetScan::onDefault);
        XML_SetXmlDeclHandler(parser, &TargetScan::onDeclaration);
        XML_SetUnknownEncodingHandler(parser, &TargetScan::onUnknownEncoding, this);
        const TargetEncoding form = sniffEncoding(file);
        qsizetype done = 0;
        do {
            const qsizetype n = nextPiece(file, done, form);
            if (n < 0) {
                break;
            }
            const bool last = done + n == file.size();
            if (XML_Parse(parser, file.data() + done, static_cast<int>(n), last) != XML_STATUS_OK) {
                const XML_Error code = XML_GetErrorCode(parser);
                if (code == XML_ERROR_UNKNOWN_ENCODING && encoding == nullptr && readsAsUtf8(encodingName_)) {
                    // A name of UTF-8 that the parser does not know ("utf8"), which the reader reads.
                    XML_ParserFree(parser);
                    TargetScan again;
                    GpxTarget target = again.run(file, "UTF-8");
                    encodingName_ = again.encodingName_;
                    return target;
                }
                if (target_.error.isEmpty()) {
                    target_.error =
                        code == XML_ERROR_UNKNOWN_ENCODING
                            ? QStringLiteral("its encoding \"%1\" is not one this program adds to")
                                  .arg(QString::fromStdString(encodingName_))
                            : damaged(QString::fromUtf8(XML_ErrorString(code)));
                }
                break;
            }
            done += n;
        } while (done < file.size());
        XML_ParserFree(parser);
        if (target_.error.isEmpty()) {
            target_.afterWaypoint = lastWaypointEnd_ >= 0;
            target_.insertAt =
                target_.afterWaypoint ? lastWaypointEnd_ : (tailStart_ >= 0 ? tailStart_ : rootEnd_);
            target_.indentFrom = target_.afterWaypoint ? lastWaypointStart_ : target_.insertAt;
        }
        return std::move(target_);
    }

    const std::string& declaredEncoding() const { return encodingName_; }

  private:
    struct Name {
        std::string_view uri, local, prefix;
    };

    static bool readsAsUtf8(const std::string& name) {
        const QByteArray lower = QByteArray::fromStdString(name).toLower();
        return lower == "utf8" || lower == "ascii";
    }

    // How many bytes from `done` on the parser gets next; -1 when the file is refused there. A
    // piece at a time, but a token the last piece began goes in with its whole rest: a start tag
    // once its attributes are counted (xml_limits.h).
    qsizetype nextPiece(QByteArrayView file, qsizetype done, TargetEncoding form) {
        constexpr qsizetype kPiece = 256 * 1024;
        const qsizetype rest = std::min(file.size() - done, qsizetype(1) << 30);  // what an int holds
        int off = 0;
        int size = 0;
        const char* buffer = done > 0 ? XML_GetInputContext(parser_, &off, &size) : nullptr;
        if (buffer == nullptr || off >= size) {
            return std::min(kPiece, rest);
        }
        const qsizetype begun = done - (size - off);
        const CharReader chars(file, form);
        const auto unit = [&](std::size_t i) -> char32_t {
            return chars.at(begun + static_cast<qsizetype>(i) * chars.width());
        };
        const xml::MarkupEnd markup =
            xml::findMarkupEnd(unit, static_cast<std::size_t>((file.size() - begun) / chars.width()));
        if (markup.attributes > xml::kMostAttributes) {
            refuse(tooManyAttributes());
            return -1;
        }
        if (!markup.known) {
            return std::min(rest, std::max(kPiece, 2 * (done - begun)));  // twice what it holds
        }
        return markup.end == xml::MarkupEnd::npos
                   ? rest
                   : std::clamp<qsizetype>(begun + static_cast<qsizetype>(markup.end) * chars.width() - done,
                                           1, rest);
    }

    QString tooManyAttributes() const {
        return tooMany(
            QStringLiteral("its element on line %1 has more than %2 attributes or namespace declarations"));
    }
    QString tooMany(const QString& what) const {
        return what.arg(XML_GetCurrentLineNumber(parser_))
                   .arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(xml::kMostAttributes))) +
               QStringLiteral(", more than any waypoint file has");
    }
    static Name split(const char* qname) {
        const std::string_view all(qname);
        const std::size_t a = all.find('\x01');
        if (a == std::string_view::npos) {
            return {{}, all, {}};
        }
        const std::size_t b = all.find('\x01', a + 1);
        return {all.substr(0, a), all.substr(a + 1, b == std::string_view::npos ? b : b - a - 1),
                b == std::string_view::npos ? std::string_view() : all.substr(b + 1)};
    }

    QString damaged(const QString& what) const {
        return QStringLiteral("it is damaged (line %1: %2)").arg(XML_GetCurrentLineNumber(parser_)).arg(what);
    }
    void refuse(const QString& reason) {
        if (target_.error.isEmpty()) {
            target_.error = reason;
        }
        XML_StopParser(parser_, XML_FALSE);
    }

    static void XMLCALL onDeclarationStart(void* data, const XML_Char*, const XML_Char*) {
        auto* self = static_cast<TargetScan*>(data);
        ++self->declaredHere_;
        ++self->declarationsInForce_;
    }
    static void XMLCALL onDeclarationEnd(void* data, const XML_Char*) {
        --static_cast<TargetScan*>(data)->declarationsInForce_;
    }
    static void XMLCALL onDefault(void* data, const XML_Char* text, int length) {
        auto* self = static_cast<TargetScan*>(data);
        if (length > 0 && text[0] == '&' && self->nameDepth_ != 0 && self->open_.size() == self->nameDepth_) {
            self->nameText_.append(text, static_cast<std::size_t>(length));
        }
    }

    static void XMLCALL onDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
        static_cast<TargetScan*>(data)->encodingName_ = encoding != nullptr ? encoding : "";
    }

    static int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
        static_cast<TargetScan*>(data)->encodingName_ = name;
        if (!isCp1252Name(name)) {
            return XML_STATUS_ERROR;
        }
        for (int b = 0; b < 256; ++b) {
            info->map[b] = static_cast<int>(cp1252::toUnicode(static_cast<unsigned char>(b)));
        }
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }

    static void XMLCALL onStart(void* data, const XML_Char* qname, const XML_Char** attributes) {
        static_cast<TargetScan*>(data)->start(qname, attributes);
    }
    static void XMLCALL onEnd(void* data, const XML_Char* qname) {
        static_cast<TargetScan*>(data)->end(qname);
    }
    static void XMLCALL onText(void* data, const XML_Char* text, int length) {
        auto* self = static_cast<TargetScan*>(data);
        if (self->nameDepth_ != 0 && self->open_.size() == self->nameDepth_) {
            self->nameText_.append(text, static_cast<std::size_t>(length));
        }
    }

    void start(const char* qname, const char** attributes) {
        constexpr std::size_t kMaxDepth = 256;  // as deep as the GPX reader reads
        if (!target_.error.isEmpty()) {
            return;  // stopped: expat may still report the tag that stopped it
        }
        if (open_.size() == kMaxDepth) {
            refuse(QStringLiteral("its elements are nested more than %1 deep").arg(kMaxDepth));
            return;
        }
        std::size_t count = declaredHere_;
        declaredHere_ = 0;
        for (const char** a = attributes; a[0] != nullptr; a += 2) {
            ++count;
        }
        if (count > xml::kMostAttributes) {
            refuse(tooManyAttributes());
            return;
        }
        if (declarationsInForce_ > xml::kMostAttributes) {
            refuse(tooMany(
                QStringLiteral("on its line %1 more than %2 namespace declarations are in force at once")));
            return;
        }
        const Name n = split(qname);
        // The reader's rule: an element inside one of its name that may not stand there lost an end
        // tag; names are compared as written.
        std::string written(n.prefix);
        written.append(n.prefix.empty() ? 0 : 1, ':').append(n.local);
        for (const std::string& o : open_) {
            if (o == written && !gpx::nestsInItself(n.uri, n.local)) {
                refuse(damaged(
                    QStringLiteral("<%1> inside <%1>: an end tag is missing")
                        .arg(QString::fromUtf8(n.local.data(), static_cast<qsizetype>(n.local.size())))));
                return;
            }
        }
        open_.push_back(std::move(written));
        const std::size_t depth = open_.size();
        const qsizetype at = XML_GetCurrentByteIndex(parser_);
        startTagEnd_ = at + XML_GetCurrentByteCount(parser_);
        if (depth == 1) {
            if (n.local != "gpx" || !gpx::isGpxNamespace(n.uri)) {
                refuse(QStringLiteral("it is not a GPX file (its document is <%1>)")
                           .arg(QString::fromUtf8(n.local.data(), static_cast<qsizetype>(n.local.size()))));
                return;
            }
            rootUri_ = std::string(n.uri);
            target_.prefix = QByteArray(n.prefix.data(), static_cast<qsizetype>(n.prefix.size()));
            std::string_view version;
            for (const char** a = attributes; a[0] != nullptr; a += 2) {
                if (std::string_view(a[0]) == "version") {
                    version = a[1];
                }
            }
            target_.version = n.uri == gpx::kGpx10Namespace || (n.uri.empty() && version == "1.0")
                                  ? GpxVersion::V10
                                  : GpxVersion::V11;
            return;
        }
        if (depth == 2) {
            if (n.uri == rootUri_ && n.local == "wpt") {
                lastWaypointStart_ = at;
                ++target_.waypointCount;
            } else if (tailStart_ < 0 && lastWaypointEnd_ < 0 &&
                       (n.uri != rootUri_ || n.local == "rte" || n.local == "trk" ||
                        n.local == "extensions")) {
                tailStart_ = at;
            }
        }
        if (waypointDepth_ == 0) {
            if (gpx::isGpxNamespace(n.uri) && (n.local == "wpt" || n.local == "rtept")) {
                waypointDepth_ = depth;
                waypointName_.clear();
            }
        } else if (depth == waypointDepth_ + 1 && gpx::isGpxNamespace(n.uri) && n.local == "name") {
            nameDepth_ = depth;
            nameText_.clear();
        }
    }

    void end(const char* qname) {
        if (!target_.error.isEmpty()) {
            return;
        }
        const std::size_t depth = open_.size();
        open_.pop_back();
        const qsizetype at = XML_GetCurrentByteIndex(parser_);
        const int count = XML_GetCurrentByteCount(parser_);
        // An empty-element tag ends where its start tag does.
        const qsizetype after = count > 0 ? at + count : startTagEnd_;
        if (depth == 1) {
            rootEnd_ = count > 0 ? at : -1;
            if (rootEnd_ < 0) {
                refuse(QStringLiteral("its <gpx> element is empty and has no end tag to add in front of"));
            }
            return;
        }
        if (depth == 2) {
            const Name n = split(qname);
            if (n.uri == rootUri_ && n.local == "wpt") {
                lastWaypointEnd_ = after;
            }
        }
        if (depth == nameDepth_) {
            waypointName_ = fieldText(nameText_);
            nameDepth_ = 0;
        } else if (nameDepth_ != 0 && depth == nameDepth_ + 1) {
            nameText_.clear();  // the name is the text after its last child element
        }
        if (depth == waypointDepth_) {
            if (!waypointName_.isEmpty()) {
                target_.names.insert(waypointName_);
            }
            waypointDepth_ = 0;
        }
    }

    XML_Parser parser_ = nullptr;
    GpxTarget target_;
    std::string encodingName_;
    std::vector<std::string> open_;  // their names as written, prefix and all
    std::string rootUri_;
    qsizetype startTagEnd_ = 0;
    qsizetype lastWaypointStart_ = -1;
    qsizetype lastWaypointEnd_ = -1;
    qsizetype tailStart_ = -1;
    qsizetype rootEnd_ = -1;
    std::size_t waypointDepth_ = 0;
    std::size_t nameDepth_ = 0;
    std::string nameText_;
    QString waypointName_;
    std::size_t declaredHere_ = 0;  // by the element about to start
    std::size_t declarationsInForce_ = 0;
};

// Appends UTF-8 `text` to `out` in the target's encoding. Only the texts of new elements pass here,
// so a character reference can stand for any character outside ASCII.
void appendEncoded(QByteArray& out, QByteArrayView text, TargetEncoding encoding) {
    switch (encoding) {
        case TargetEncoding::Utf8:
            out.append(text);
            return;
        case TargetEncoding::Utf16Le:
        case TargetEncoding::Utf16Be: {
            const QString units = QString::fromUtf8(text);
            for (const QChar c : units) {
                const char16_t u = c.unicode();
                const char hi = static_cast<char>(u >> 8);
                const char lo = static_cast<char>(u & 0xFF);
                out.append(encoding == TargetEncoding::Utf16Le ? lo : hi);
                out.append(encoding == TargetEncoding::Utf16Le ? hi : lo);
            }
            return;
        }
        case TargetEncoding::AsciiWithReferences:
            for (const char32_t c : QString::fromUtf8(text).toUcs4()) {
                if (c < 0x80) {
                    out.append(static_cast<char>(c));
                } else {
                    out.append("&#" + QByteArray::number(static_cast<uint>(c)) + ';');
                }
            }
            return;
    }
}

// Gives the tags of an element from `from` on the prefix of the file's GPX elements, so that the new
// element is in the file's GPX namespace whatever the default namespace is there. Its texts have
// every '<' escaped: each '<' starts a tag.
void prefixTags(QByteArray& out, qsizetype from, QByteArrayView prefix) {
    if (prefix.isEmpty()) {
        return;
    }
    const QByteArray element = out.sliced(from);
    out.truncate(from);
    for (qsizetype i = 0; i < element.size(); ++i) {
        out.append(element[i]);
        if (element[i] == '<') {
            if (i + 1 < element.size() && element[i + 1] == '/') {
                out.append('/');
                ++i;
            }
            out.append(prefix).append(':');
        }
    }
}

// An existing GPX file as an add sees it: its waypoints' names as the reader reads them, new <wpt>
// elements where the schema's order wants them, in the file's encoding, line ends and indentation.
class GpxAddTarget : public AddTarget {
  public:
    GpxAddTarget(const QByteArray& old, GpxTarget target, TargetEncoding encoding,
                 const ExportContext& context)
        : target_(std::move(target)),
          encoding_(encoding),
          includeDescription_(context.options.includeDescription) {
        const CharReader chars(old, encoding);
        lineEnd_ = chars.lineEnd();
        indent_ = lineEnd_.isEmpty() ? QByteArray() : chars.indentation(target_.indentFrom);
        existingCount = target_.waypointCount;
        insertAt = target_.insertAt;
    }

    QByteArray nameKey(QAnyStringView name) const override { return name.toString().toUtf8(); }
    std::optional<QString> heldName(const QByteArray& key) const override {
        const QString name = QString::fromUtf8(key);
        return target_.names.contains(name) ? std::optional<QString>(name) : std::nullopt;
    }
    QString keyText(const QByteArray& key) const override { return QString::fromUtf8(key); }
    bool appendRecord(QByteArray& out, const WaypointList& list, int row, QString&) override {
        piece_.resize(0);
        if (target_.afterWaypoint) {
            piece_.append(lineEnd_).append(indent_);
        }
        const qsizetype element = piece_.size();
        appendGpxWaypoint(piece_, list.row(row), target_.version, includeDescription_, symbols_);
        prefixTags(piece_, element, target_.prefix);
        if (!target_.afterWaypoint) {
            piece_.append(lineEnd_).append(indent_);
        }
        appendEncoded(out, piece_, encoding_);
        return true;
    }

  private:
    GpxTarget target_;
    TargetEncoding encoding_;
    bool includeDescription_;
    QByteArray lineEnd_;
    QByteArray indent_;
    QByteArray piece_;
    SymbolTexts symbols_;
};

std::unique_ptr<AddTarget> scanGpxTarget(const QByteArray& old, const WaypointList&,
                                         const ExportContext& context, QString& error) {
    TargetScan scan;
    GpxTarget target = scan.run(old);
    if (!target.error.isEmpty()) {
        error = target.error;
        return nullptr;
    }
    TargetEncoding encoding = sniffEncoding(old);
    if (encoding == TargetEncoding::Utf8) {
        const QByteArray declared = QByteArray::fromStdString(scan.declaredEncoding()).toLower();
        if (!declared.isEmpty() && declared != "utf-8" && declared != "utf8") {
            encoding = TargetEncoding::AsciiWithReferences;
        }
    }
    return std::make_unique<GpxAddTarget>(old, std::move(target), encoding, context);
}

}  // namespace

WriteReport addToGpxFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addRows(&scanGpxTarget, list, path, context);
}

}  // namespace vintrel
