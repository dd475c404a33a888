#include "import/xml/xml_stream_impl.h"

#include "import/reader_support.h"
#include "model/file_names.h"

#include <QFile>

#include <expat.h>

#include <algorithm>
#include <cstring>

namespace vintrel {

using namespace xml_detail;

XmlStream::XmlStream(XmlHandler& handler) : impl_(new Impl(handler)) {}

XmlStream::~XmlStream() {
    delete impl_;
}

long XmlStream::currentLine() const {
    return impl_->currentLine();
}

bool XmlStream::textWasCut() const {
    return impl_->textCut;
}

bool XmlStream::sawElement() const {
    return impl_->rootStarted;
}

XmlParseOutcome XmlStream::parseFile(const QString& path) {
    return impl_->parse(path, nullptr, XmlPiece{}, nullptr);
}

XmlParseOutcome XmlStream::parsePiece(const QString& path, const XmlRoot& root, const XmlPiece& piece,
                                      XmlPieceEnd& end) {
    return impl_->parse(path, &root, piece, &end);
}

XmlParseOutcome XmlStream::Impl::parse(const QString& path, const XmlRoot* root, const XmlPiece& piece,
                                       XmlPieceEnd* end) {
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason)) {
        outcome.ok = false;
        outcome.message = QStringLiteral("cannot be opened: %1").arg(reason);
        return outcome;
    }
    strict = piece.strict;
    std::vector<char> buffer(Utf8Input::kHeadroom + kBlockSize);
    char* const block = buffer.data() + Utf8Input::kHeadroom;
    InputForm form;
    qint64 n = 0;
    if (piece.begin == 0) {
        n = file.read(block, kBlockSize);
        form = sniffInputForm(std::string_view(block, static_cast<std::size_t>(std::max<qint64>(n, 0))));
        if (n >= 0 && static_cast<std::size_t>(n) <= form.skip) {
            outcome.empty = true;  // not a byte, or a byte-order mark alone
            return outcome;
        }
        utf8 = form.kind != InputForm::Kind::SingleByte;
        encoding = utf8 ? std::string("UTF-8") : form.declared;
        lineBase = form.linesSkipped;
        declarationLine = form.linesSkipped + 1;
        if (form.spaceBeforeDeclaration) {
            note(Repair::SpaceBeforeDeclaration, 1);
        }
        parser = createParser();
    } else {
        // A file read in pieces is UTF-8 (findXmlRoot() says so); one that declares no encoding is
        // still guessed at its first byte beyond ASCII, unless one came before.
        form.declared = root->declaresEncoding || piece.utf8Known ? "UTF-8" : "";
        encoding = "UTF-8";
        parser = createParser();
        if (!file.seek(piece.begin)) {
            outcome.ok = false;
            outcome.message =
                QStringLiteral("the file could not be read to its end (%1)").arg(file.errorString());
            return outcome;
        }
        enterRoot(*root, piece.begin - static_cast<long long>(root->skip), piece.line);
        n = file.read(block, kBlockSize);
    }
    if (piece.stopFrom >= 0) {
        stopFrom = std::max(0LL, piece.stopFrom - static_cast<long long>(root->skip));
        stopAt = piece.stopAt;
    }
    std::optional<Utf8Input> input;
    if (utf8) {
        input.emplace(form);
    }
    std::size_t skip = form.skip;
    while (n >= 0) {
        if (handler.stopWanted()) {
            outcome.ok = false;
            outcome.line = currentLine();
            outcome.message = QLatin1String(kImportCancelled) + QStringLiteral("; reading stopped there");
            break;
        }
        const bool last = n == 0;
        char* const start = block + skip;
        const std::size_t size = static_cast<std::size_t>(n) - skip;
        skip = 0;
        const std::string_view bytes = input ? input->take(start, size, last) : std::string_view(start, size);
        if (!feedBlock(bytes, input ? input->firstRepairAt() : std::string_view::npos, last)) {
            break;
        }
        if (last) {
            finish();
            break;
        }
        n = file.read(block, kBlockSize);
        handler.bytesRead(file.pos());
    }
    if (n < 0) {
        outcome.ok = false;
        outcome.line = currentLine();
        outcome.message =
            QStringLiteral("the file could not be read to its end (%1)").arg(file.errorString());
    }
    // A strict piece needed no repair before where it stopped, or it is dirty; the decoding may
    // have looked past that place, and what it found there is the next piece's.
    if (!strict) {
        reportRepairs(input ? &*input : nullptr);
    }
    if (end != nullptr) {
        end->stoppedAt = stoppedAt < 0 ? -1 : stoppedAt + static_cast<long long>(root->skip);
        end->stopLine = stopLine;
        end->clean = strict && !dirty && outcome.ok && recoveries == 0;
        end->utf8Known = input && input->knownUtf8();
    }
    return outcome;
}

void XmlStream::Impl::enterRoot(const XmlRoot& root, long long at, long line) {
    std::vector<const char*> attributes;
    for (const std::string& a : root.attributes) {
        attributes.push_back(a.c_str());
    }
    attributes.push_back(nullptr);
    rootStarted = true;
    push(root.qname, attributes.data());
    handler.startElement(nameOf(stack[0]), attributes.data());
    const std::string opening = '<' + root.qname + '>';
    ignoring = true;
    XML_Parse(parser, opening.data(), static_cast<int>(opening.size()), XML_FALSE);
    ignoring = false;
    lineBase = line - 1;
    streamBase = at - static_cast<long long>(opening.size());
}

bool XmlStream::Impl::atPieceEnd(const char* name) const {
    return depth == 1 && open == 1 && streamOffset() >= stopFrom && stopAt == name;
}

namespace {

struct RootScan {
    XML_Parser parser = nullptr;
    std::optional<XmlRoot> root;
    bool doctype = false;
};

void XMLCALL onRootStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* scan = static_cast<RootScan*>(data);
    scan->root.emplace();
    scan->root->qname = name;
    for (const XML_Char** a = attributes; *a != nullptr; ++a) {
        scan->root->attributes.emplace_back(*a);
    }
    XML_StopParser(scan->parser, XML_FALSE);
}

void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<RootScan*>(data)->doctype = true;
}

}  // namespace

std::optional<XmlRoot> findXmlRoot(const QString& path) {
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason)) {
        return std::nullopt;
    }
    std::string head(static_cast<std::size_t>(kBlockSize), '\0');
    const qint64 n = file.read(head.data(), kBlockSize);
    head.resize(static_cast<std::size_t>(std::max<qint64>(n, 0)));
    const InputForm form = sniffInputForm(head);
    if (form.kind != InputForm::Kind::Utf8 || form.spaceBeforeDeclaration) {
        return std::nullopt;
    }
    RootScan scan;
    scan.parser = XML_ParserCreate("UTF-8");
    XML_SetUserData(scan.parser, &scan);
    XML_SetStartElementHandler(scan.parser, &onRootStart);
    XML_SetStartDoctypeDeclHandler(scan.parser, &onDoctype);
    const std::string_view bytes = std::string_view(head).substr(std::min(form.skip, head.size()));
    XML_Parse(scan.parser, bytes.data(), static_cast<int>(bytes.size()), XML_FALSE);
    XML_ParserFree(scan.parser);
    if (!scan.root || scan.doctype) {
        return std::nullopt;
    }
    scan.root->declaresEncoding = !form.declared.empty();
    scan.root->skip = form.skip;
    return scan.root;
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
