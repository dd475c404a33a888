#include "import/xml/xml_stream_impl.h"

#include <algorithm>

#include "import/reader_support.h"

namespace vintrel {

using namespace xml_detail;

namespace xml_detail {

QString shownText(std::string_view utf8) {
    return shortQuote(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QString describeError(XML_Error code) {
    switch (code) {
        case XML_ERROR_INVALID_TOKEN:
            return QStringLiteral("a character that may not stand there");
        case XML_ERROR_SYNTAX:
            return QStringLiteral("markup that cannot be read");
        case XML_ERROR_UNCLOSED_TOKEN:
            return QStringLiteral("a tag that breaks off");
        case XML_ERROR_PARTIAL_CHAR:
            return QStringLiteral("a character that breaks off");
        case XML_ERROR_TAG_MISMATCH:
            return QStringLiteral("an end tag that closes no open element");
        case XML_ERROR_DUPLICATE_ATTRIBUTE:
            return QStringLiteral("an attribute given twice in one tag");
        case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
            return QStringLiteral("more after the end of the document");
        case XML_ERROR_UNDEFINED_ENTITY:
            return QStringLiteral("an entity that is not defined");
        case XML_ERROR_BAD_CHAR_REF:
            return QStringLiteral("a reference to a character that XML does not allow");
        case XML_ERROR_MISPLACED_XML_PI:
            return QStringLiteral("an XML declaration that is not at the start of the file");
        case XML_ERROR_UNCLOSED_CDATA_SECTION:
            return QStringLiteral("a CDATA section that never ends");
        case XML_ERROR_INCORRECT_ENCODING:
        case XML_ERROR_UNKNOWN_ENCODING:
            return QStringLiteral("bytes that do not fit the declared encoding");
        case XML_ERROR_XML_DECL:
        case XML_ERROR_TEXT_DECL:
            return QStringLiteral("an XML declaration that cannot be read");
        case XML_ERROR_NO_ELEMENTS:
            return QStringLiteral("no element at all");
        default:
            return QStringLiteral("a declaration it cannot use");
    }
}

}  // namespace xml_detail

namespace {

// " (12 places in the file)" after a repair needed more than once.
QString places(long count) {
    return count > 1 ? QStringLiteral(" (%1 places in the file)").arg(count) : QString();
}

}  // namespace

void XmlStream::Impl::note(Repair kind, long line, long count) {
    dirty = dirty || strict;
    RepairTally& t = tallies[static_cast<std::size_t>(kind)];
    if (t.count == 0) {
        t.line = line;
    }
    t.count += count;
}

// The same where the parser stands; the line, which costs expat a scan of the text, is asked
// for only the first time.
void XmlStream::Impl::noteHere(Repair kind) {
    dirty = dirty || strict;
    RepairTally& t = tallies[static_cast<std::size_t>(kind)];
    if (t.count++ == 0) {
        t.line = currentLine();
    }
}

void XmlStream::Impl::stop(long line, const QString& message) {
    stopped = true;
    outcome.ok = false;
    outcome.line = line;
    outcome.message = message;
    ignoring = true;
    XML_StopParser(parser, XML_FALSE);
}

void XmlStream::Impl::failAsNotXml() {
    const XML_Error code = XML_GetErrorCode(parser);
    const bool noMarkup =
        code == XML_ERROR_SYNTAX || code == XML_ERROR_INVALID_TOKEN || code == XML_ERROR_PARTIAL_CHAR;
    stop(std::max(1L, currentLine()),
         noMarkup ? QStringLiteral("the file is not XML: it does not begin with a tag")
         : code == XML_ERROR_NO_ELEMENTS
             ? QStringLiteral("the file holds no XML element")
             : QStringLiteral("the file is not XML: %1 stands before any element").arg(describeError(code)));
}

// Notes damage the parser could not read, described by the first place that needed it.
void XmlStream::Impl::noteDamage(XML_Error code, long line, std::string_view at) {
    RepairTally& t = tallies[static_cast<std::size_t>(Repair::Damage)];
    if (t.detail.isEmpty()) {
        t.detail = !at.empty() && isStrayControl(static_cast<unsigned char>(at[0]))
                       ? QStringLiteral("a control character that XML does not allow")
                       : describeError(code);
    }
    note(Repair::Damage, line);
}

void XmlStream::Impl::reportRepairs(const Utf8Input* input) {
    if (input != nullptr && input->guessedCp1252()) {
        note(Repair::GuessedCp1252, encodingRepairLine);
    } else if (input != nullptr && input->strayBytes() > 0) {
        note(Repair::StrayBytes, encodingRepairLine, input->strayBytes());
    }
    for (std::size_t k = 0; k < tallies.size(); ++k) {
        const RepairTally& t = tallies[k];
        if (t.count > 0) {
            outcome.repairs.append({t.line, describe(static_cast<Repair>(k), t)});
        }
    }
}

QString XmlStream::Impl::describe(Repair kind, const RepairTally& t) {
    switch (kind) {
        case Repair::GuessedCp1252:
            return QStringLiteral("no encoding is declared and the text is not UTF-8; read as windows-1252");
        case Repair::StrayBytes:
            return t.count == 1
                       ? QStringLiteral("1 byte that is not UTF-8 read as windows-1252")
                       : QStringLiteral("%1 bytes that are not UTF-8 read as windows-1252").arg(t.count);
        case Repair::UnknownEncoding:
            return QStringLiteral("the declared encoding \"%1\" cannot be read here; read as windows-1252")
                .arg(shortQuote(t.detail));
        case Repair::SpaceBeforeDeclaration:
            return QStringLiteral("blank space before the XML declaration ignored");
        case Repair::BareAmpersand:
            return QStringLiteral("an '&' that starts no entity was read as text") + places(t.count);
        case Repair::BareLessThan:
            return QStringLiteral("a '<' that starts no tag was read as text") + places(t.count);
        case Repair::UndeclaredPrefix:
            return QStringLiteral("an element with an undeclared prefix (%1) was read without a namespace")
                       .arg(t.detail) +
                   places(t.count);
        case Repair::MissingEndTag:
            return QStringLiteral("the end tag of <%1> is missing; the element was closed there")
                       .arg(t.detail) +
                   places(t.count);
        case Repair::StrayEndTag:
            return QStringLiteral("the end tag </%1> closes no open element and was ignored").arg(t.detail) +
                   places(t.count);
        case Repair::AfterDocument:
            return QStringLiteral("the file goes on after the end of the document; the rest was read too");
        case Repair::StrayControl:
            return QStringLiteral("a control character that XML does not allow was skipped") +
                   places(t.count);
        case Repair::Damage:
        case Repair::Count:
            break;
    }
    return t.detail + QStringLiteral(" was skipped") + places(t.count);
}

}  // namespace vintrel
