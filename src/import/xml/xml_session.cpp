#include "import/xml/xml_stream_impl.h"

#include "base/cp1252.h"
#include "formats/xml/xml_limits.h"

#include <QLocale>

#include <algorithm>

namespace vintrel {

using namespace xml_detail;

XML_Parser XmlStream::Impl::createParser() {
    XML_Parser p = XML_ParserCreate(encoding.c_str());
    setHandlers(p);
    XML_SetHashSalt(p, hashSalt);
    return p;
}

void XmlStream::Impl::setHandlers(XML_Parser p) {
    XML_SetUserData(p, this);
    XML_SetElementHandler(p, &Impl::onStart, &Impl::onEnd);
    XML_SetCharacterDataHandler(p, &Impl::onText);
    XML_SetCdataSectionHandler(p, &Impl::onCdataStart, &Impl::onCdataEnd);
    XML_SetUnknownEncodingHandler(p, &Impl::onUnknownEncoding, this);
}

// Elements as the handler sees them.

XmlName XmlStream::Impl::nameOf(const OpenElement& e) const {
    return {e.binding >= 0 ? std::string_view(bindings[static_cast<std::size_t>(e.binding)].uri)
                           : std::string_view(),
            std::string_view(e.qname).substr(e.localStart)};
}

int XmlStream::Impl::findBinding(std::string_view prefix) const {
    for (std::size_t i = bindings.size(); i-- > 0;) {
        if (bindings[i].prefix == prefix) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QString XmlStream::Impl::tooMany(const QString& what) {
    return what.arg(QLocale(QLocale::English).toString(static_cast<qulonglong>(xml::kMostAttributes))) +
           QStringLiteral(", more than any waypoint file has; reading stopped there");
}

QString XmlStream::Impl::tooManyAttributes() {
    return tooMany(QStringLiteral("an element has more than %1 attributes or namespace declarations"));
}

XmlName XmlStream::Impl::nameBeforePush(std::string_view qname, const char** attributes) const {
    const std::size_t colon = qname.find(':');
    const std::string_view prefix =
        colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
    const std::string_view local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        if (isDeclaration(a[0]) && std::string_view(a[0][5] == '\0' ? a[0] + 5 : a[0] + 6) == prefix) {
            return {a[1], local};
        }
    }
    const int binding = findBinding(prefix);
    return {
        binding >= 0 ? std::string_view(bindings[static_cast<std::size_t>(binding)].uri) : std::string_view(),
        local};
}

void XmlStream::Impl::push(std::string_view qname, const char** attributes) {
    if (depth == stack.size()) {
        stack.emplace_back();
    }
    OpenElement& e = stack[depth++];
    ++open;
    e.closed = false;
    e.qname.assign(qname);
    e.bindingsBefore = bindings.size();
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        const char* name = a[0];
        if (isDeclaration(name)) {
            bindings.push_back({std::string(name[5] == '\0' ? name + 5 : name + 6), a[1]});
        }
    }
    const std::size_t colon = qname.find(':');
    const std::string_view prefix =
        colon == std::string_view::npos ? std::string_view() : qname.substr(0, colon);
    e.localStart = colon == std::string_view::npos ? 0 : colon + 1;
    e.binding = findBinding(prefix);
    if (e.binding < 0 && !prefix.empty()) {
        noteUndeclared(prefix);
    }
}

void XmlStream::Impl::noteUndeclared(std::string_view prefix) {
    noteHere(Repair::UndeclaredPrefix);
    // The note names the first few prefixes.
    if (undeclaredPrefixes.size() < 3 &&
        std::find(undeclaredPrefixes.begin(), undeclaredPrefixes.end(), prefix) == undeclaredPrefixes.end()) {
        undeclaredPrefixes.emplace_back(prefix);
        QString& shown = tallies[static_cast<std::size_t>(Repair::UndeclaredPrefix)].detail;
        shown += (shown.isEmpty() ? QString() : QStringLiteral(", ")) + shownText(prefix) + u':';
    }
}

// Keeps character data for the element it stands in, up to kMaxText: however much text a file
// holds, memory holds no more than that. A cut falls between characters.
void XmlStream::Impl::keepText(std::string_view s) {
    const std::size_t room = kMaxText - std::min(kMaxText, text.size());
    if (s.size() <= room) {
        text.append(s);
        return;
    }
    std::size_t take = room;
    while (take > 0 && (static_cast<unsigned char>(s[take]) & 0xC0) == 0x80) {
        --take;  // not inside a character's bytes
    }
    text.append(s.substr(0, take));
    textCut = true;
}

// Ends an element for the handler.
void XmlStream::Impl::close(OpenElement& e, bool endTagMissing) {
    handler.endElement(nameOf(e), text, endTagMissing);
    text.clear();
    textCut = false;
    e.closed = true;
    if (--open == 0) {
        rootClosed = true;
    }
}

// The parser ended the innermost element.
void XmlStream::Impl::popParsed() {
    OpenElement& e = stack[depth - 1];
    if (!e.closed) {
        close(e, false);
    }
    bindings.resize(e.bindingsBefore);
    --depth;
}

// Closes for the handler the elements from `first` inward, whose end tags are missing.
void XmlStream::Impl::closeFrom(std::size_t first, long line) {
    RepairTally& t = tallies[static_cast<std::size_t>(Repair::MissingEndTag)];
    if (t.count == 0) {
        std::size_t i = first;
        while (i < depth && stack[i].closed) {
            ++i;
        }
        t.detail = i < depth ? shownText(stack[i].qname) : QString();
    }
    note(Repair::MissingEndTag, line, static_cast<long>(open) - static_cast<long>(liveBefore(first)));
    for (std::size_t i = depth; i-- > first;) {
        if (!stack[i].closed) {
            close(stack[i], true);
        }
    }
}

std::size_t XmlStream::Impl::liveBefore(std::size_t index) const {
    return static_cast<std::size_t>(std::count_if(stack.begin(),
                                                  stack.begin() + static_cast<std::ptrdiff_t>(index),
                                                  [](const OpenElement& e) { return !e.closed; }));
}

// The innermost element open for the handler with this name; -1 when there is none.
int XmlStream::Impl::findOpen(std::string_view qname) const {
    for (std::size_t i = depth; i-- > 0;) {
        if (!stack[i].closed && stack[i].qname == qname) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void XmlStream::Impl::start(const char* name, const char** attributes) {
    const std::string_view qname(name);
    if (open == 0) {
        if (rootClosed) {
            noteHere(Repair::AfterDocument);
        }
        rootStarted = true;
    }
    std::size_t count = 0;
    std::size_t declared = 0;
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        ++count;
        declared += isDeclaration(a[0]) ? 1 : 0;
    }
    if (count > xml::kMostAttributes) {
        stop(currentLine(), tooManyAttributes());
        return;
    }
    if (bindings.size() - 1 + declared > xml::kMostAttributes) {
        stop(currentLine(),
             tooMany(QStringLiteral("more than %1 namespace declarations are in force at once")));
        return;
    }
    if (const int namesake = findOpen(qname);
        namesake >= 0 && !handler.nestsInItself(nameBeforePush(qname, attributes))) {
        // It and the elements inside it are closed for the handler; the parser keeps them open
        // until their parent's end tag, or a restart, drops them.
        closeFrom(static_cast<std::size_t>(namesake), currentLine());
    }
    if (depth == kMaxDepth) {
        if (open < depth) {
            // Make room: read this start tag again with a parser that has only the open ones.
            restartAt = streamOffset();
            restartLine = currentLine();
            ignoring = true;
            XML_StopParser(parser, XML_FALSE);
            return;
        }
        stop(currentLine(),
             QStringLiteral("elements are nested more than %1 deep; reading stopped there").arg(kMaxDepth));
        return;
    }
    text.clear();
    textCut = false;
    push(qname, attributes);
    handler.startElement(nameOf(stack[depth - 1]), attributes);
}

// The end tag `qname` does not close the innermost element; the parser is to be started again.
void XmlStream::Impl::closeByEndTag(std::string_view qname, long line) {
    const int named = findOpen(qname);
    if (named < 0) {
        RepairTally& t = tallies[static_cast<std::size_t>(Repair::StrayEndTag)];
        if (t.count == 0) {
            t.detail = shownText(qname);
        }
        note(Repair::StrayEndTag, line);
        return;
    }
    const auto k = static_cast<std::size_t>(named);
    if (open > liveBefore(k) + 1) {
        closeFrom(k + 1, line);
    }
    close(stack[k], false);
    bindings.resize(stack[k].bindingsBefore);
    depth = k;
}

// Drops the elements closed for the handler, before a restart reopens the others; the
// namespaces they declared stay in force until the element around them ends.
void XmlStream::Impl::dropClosed() {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < depth; ++i) {
        if (!stack[i].closed) {
            std::swap(stack[kept++], stack[i]);
        }
    }
    depth = kept;
}

void XMLCALL XmlStream::Impl::onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<Impl*>(data);
    ++self->events;
    if (self->ignoring) {
        return;
    }
    if (self->stopFrom >= 0 && self->atPieceEnd(name)) {
        self->stoppedAt = self->streamOffset();
        self->stopLine = self->currentLine();
        self->ignoring = true;
        XML_StopParser(self->parser, XML_FALSE);
        return;
    }
    self->start(name, attributes);
}

void XMLCALL XmlStream::Impl::onEnd(void* data, const XML_Char*) {
    auto* self = static_cast<Impl*>(data);
    ++self->events;
    // At depth 0 it is the element a restart opened, closed by a file that names it.
    if (!self->ignoring && self->depth > 0) {
        self->popParsed();
    }
}

void XMLCALL XmlStream::Impl::onText(void* data, const XML_Char* s, int len) {
    auto* self = static_cast<Impl*>(data);
    ++self->events;
    if (self->ignoring) {
        return;
    }
    if (self->open > 0) {
        // Nearly every piece of text fits: appended here, without a call.
        if (self->text.size() + static_cast<std::size_t>(len) <= kMaxText) {
            self->text.append(s, static_cast<std::size_t>(len));
        } else {
            self->keepText(std::string_view(s, static_cast<std::size_t>(len)));
        }
    } else if (self->rootClosed && !isBlank(std::string_view(s, static_cast<std::size_t>(len)))) {
        self->noteHere(Repair::AfterDocument);
    }
}

int XMLCALL XmlStream::Impl::onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
    const std::array<char32_t, 256>& table = static_cast<Impl*>(data)->tableFor(name);
    for (int b = 0; b < 256; ++b) {
        info->map[b] = static_cast<int>(table[static_cast<std::size_t>(b)]);
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

const std::array<char32_t, 256>& XmlStream::Impl::tableFor(const std::string& name) {
    if (!byteTable) {
        byteTable = isCp1252Name(name) ? std::nullopt : singleByteTable(name);
        if (!byteTable) {
            if (!isCp1252Name(name)) {
                tallies[static_cast<std::size_t>(Repair::UnknownEncoding)].detail =
                    QString::fromStdString(name);
                note(Repair::UnknownEncoding, declarationLine);
            }
            byteTable.emplace();
            for (int b = 0; b < 256; ++b) {
                (*byteTable)[static_cast<std::size_t>(b)] = cp1252::toUnicode(static_cast<unsigned char>(b));
            }
        }
    }
    return *byteTable;
}

}  // namespace vintrel
