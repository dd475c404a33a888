#include "import/xml/xml_stream.h"

#include "test_support.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

constexpr int kBlock = 256 * 1024;  // the size of the blocks the stream reads

// Writes down what the stream reports: "<{uri}local@line name=value" for a start, "</local=text"
// for an end, with "~" when the text was cut and "!" when its end tag was missing.
class Recorder : public XmlHandler {
  public:
    void startElement(const XmlName& name, const char** attributes) override {
        QString event = QStringLiteral("<") + qualified(name) + u'@' + QString::number(stream->currentLine());
        for (const char** a = attributes; a[0] != nullptr; a += 2) {
            event += QStringLiteral(" %1=%2").arg(QString::fromUtf8(a[0]), QString::fromUtf8(a[1]));
        }
        events.append(event);
    }
    void endElement(const XmlName& name, std::string_view text, bool endTagMissing) override {
        QString event = QStringLiteral("</") + qualified(name);
        if (!text.empty()) {
            event += u'=' + QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
        if (stream->textWasCut()) {
            event += u'~';
        }
        events.append(endTagMissing ? event + u'!' : event);
    }

    const XmlStream* stream = nullptr;
    QStringList events;

  private:
    static QString qualified(const XmlName& name) {
        const QString local = QString::fromUtf8(name.local.data(), static_cast<qsizetype>(name.local.size()));
        return name.uri.empty()
                   ? local
                   : QStringLiteral("{%1}%2").arg(
                         QString::fromUtf8(name.uri.data(), static_cast<qsizetype>(name.uri.size())), local);
    }
};

struct Parsed {
    XmlParseOutcome outcome;
    QStringList events;
    QStringList repairs;  // "line: what"
};

Parsed parse(const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.xml"));
    EXPECT_TRUE(vintrel::test::writeFile(path, bytes));
    Recorder recorder;
    XmlStream stream(recorder);
    recorder.stream = &stream;
    Parsed parsed{stream.parseFile(path), recorder.events, {}};
    for (const XmlRepair& r : parsed.outcome.repairs) {
        parsed.repairs.append(QStringLiteral("%1: %2").arg(r.line).arg(r.what));
    }
    return parsed;
}

}  // namespace

// Small documents, each with every event the stream reports and every repair it notes.
TEST(XmlStream, EventsAndRepairsOfSmallDocuments) {
    const QString xmlNs = QStringLiteral("{http://www.w3.org/XML/1998/namespace}g");
    QByteArray utf16("\xFF\xFE");
    const QString utf16Text =
        QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<a>Tom & Jérôme</a>");
    utf16.append(reinterpret_cast<const char*>(utf16Text.utf16()), utf16Text.size() * 2);
    const auto check = [](const char* what, const QByteArray& input, const QStringList& events,
                          const QStringList& repairs, const QString& stop = QString(), int stopLine = 0) {
        const Parsed p = parse(input);
        EXPECT_EQ(p.events, events) << what;
        EXPECT_EQ(p.repairs, repairs) << what << "\n" << p.repairs.join(u'\n').toStdString();
        EXPECT_EQ(p.outcome.ok, stop.isEmpty()) << what;
        if (!stop.isEmpty()) {
            EXPECT_EQ(p.outcome.message, stop) << what << "\n" << p.outcome.message.toStdString();
            EXPECT_EQ(p.outcome.line, stopLine) << what;
        }
    };
    check("bare ampersands are text wherever the parser would take them for references",
          "<a x=\"1&2\" y=\"&amp;\">t&u &nbsp; &#65;<![CDATA[c&d]]><!-- e&f --><?pi g&h?></a>",
          {"<a@1 x=1&2 y=&", "</a=t&u &nbsp; Ac&d"},
          {"1: an '&' that starts no entity was read as text (3 places in the file)"});
    check("UTF-16 files get the same repairs", utf16, {"<a@2", QString::fromUtf8("</a=Tom & Jérôme")},
          {"2: an '&' that starts no entity was read as text"});
    check("undeclared prefixes are read without a namespace",
          "<r xmlns=\"urn:d\" xmlns:p=\"urn:p\"><p:a/><b xmlns=\"\"><c/></b>\n"
          "<q:d><q:e xmlns:q=\"urn:q\"/><z:f/></q:d><xml:g/></r>",
          {"<{urn:d}r@1 xmlns=urn:d xmlns:p=urn:p", "<{urn:p}a@1", "</{urn:p}a", "<b@1 xmlns=", "<c@1", "</c",
           "</b", "<d@2", "<{urn:q}e@2 xmlns:q=urn:q", "</{urn:q}e", "<f@2", "</f", "</d", "<" + xmlNs + "@2",
           "</" + xmlNs, "</{urn:d}r"},
          {"2: an element with an undeclared prefix (q:, z:) was read without a namespace (2 places in "
           "the file)"});
    check("an end tag closes the elements inside the one it names", "<r>\n<a><b>t</a>\n<c/></x>\n</r>",
          {"<r@1", "<a@2", "<b@2", "</b=t!", "</a", "<c@3", "</c", "</r=\n"},
          {"2: the end tag of <b> is missing; the element was closed there",
           "3: the end tag </x> closes no open element and was ignored"});
    check("an element inside its namesake closes it",
          "<r>\n<w><n>1</n>\n<w><n>2</n></w>\n<w><n>3</n><d>x\n<w/></r>",
          {"<r@1", "<w@2", "<n@2", "</n=1", "</w=\n!", "<w@3", "<n@3", "</n=2", "</w", "<w@4", "<n@4",
           "</n=3", "<d@4", "</d=x\n!", "</w!", "<w@5", "</w", "</r"},
          {"3: the end tag of <w> is missing; the element was closed there (3 places in the file)"});
    check("what follows the document is read on",
          "<r><a/></r>\njunk <a/>\n<?xml version=\"1.0\"?><r><b/></r>",
          {"<r@1", "<a@1", "</a", "</r", "<a@2", "</a", "<r@3", "<b@3", "</b", "</r"},
          {"2: the file goes on after the end of the document; the rest was read too",
           "3: an XML declaration that is not at the start of the file was skipped"});
    check("other damage is skipped and CDATA stays CDATA",
          "<r><a>x\x01y</a>\n<b><![CDATA[p\x02<q>]]></b>\n<c>Tom <3 Jerry</c>\n<d/></r>",
          {"<r@1", "<a@1", "</a=xy", "<b@2", "</b=p<q>", "<c@3", "</c=Tom <3 Jerry", "<d@4", "</d", "</r"},
          {"3: a '<' that starts no tag was read as text",
           "1: a control character that XML does not allow was skipped (2 places in the file)"});
    check("a clean file needs no repair",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- a & b < c -->\r\n<r xmlns:p=\"urn:p\">"
          "<p:a>\xE6\xBC\xA2 &amp; &#x20AC;</p:a><b><![CDATA[x & <y> ]] ]]></b></r>\r\n",
          {"<r@3 xmlns:p=urn:p", "<{urn:p}a@3", QString::fromUtf8("</{urn:p}a=漢 & €"), "<b@3",
           "</b=x & <y> ]] ", "</r"},
          {});
    check("a cut-off file closes what is open", "<r>\n<a>one</a>\n<a>cut",
          {"<r@1", "<a@2", "</a=one", "<a@3", "</a=cut!", "</r!"}, {}, "the file breaks off inside <a>", 3);
    check("cut inside a tag", "<r><a>one</a><b x=\"1", {"<r@1", "<a@1", "</a=one", "</r!"}, {},
          "the file breaks off inside <r>", 1);
    check("not XML at all stops at once", "not a waypoint file\n", {}, {},
          "the file is not XML: it does not begin with a tag", 1);
    check("stray bytes in declared UTF-8 are windows-1252",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\xC3\xA9\n\x93q\x94</a>", {"<a@2", "</a=é\n“q”"},
          {"3: 2 bytes that are not UTF-8 read as windows-1252"});
    for (const char* name : {"x-vintrel-unknown", "Shift_JIS"}) {
        check(name, QByteArray("\n<?xml version=\"1.0\" encoding=\"") + name + "\"?>\n<a>\x80</a>",
              {"<a@3", "</a=€"},
              {"1: blank space before the XML declaration ignored",
               QStringLiteral("2: the declared encoding \"%1\" cannot be read here; read as windows-1252")
                   .arg(QLatin1String(name))});
    }
    EXPECT_EQ(parse("<r><a><![CDATA[par").events.last(), "</r!");  // cut inside a CDATA section
}

// Hostile files: whatever they hold, memory and time stay in proportion to what is kept.
TEST(XmlStreamLimits, AnElementKeepsAMegabyteOfTextAndSaysItWasCut) {
    // Five megabytes of two-byte characters: the cut falls between characters.
    const Parsed p = parse("<r><a>" + QString(5 * 512 * 1024, QChar(0xE9)).toUtf8() + "</a><b>short</b></r>");
    ASSERT_EQ(p.events.size(), 6);
    EXPECT_EQ(p.events[2], "</a=" + QString(512 * 1024, QChar(0xE9)) + u'~');
    EXPECT_EQ(p.events.mid(3), (QStringList{"<b@1", "</b=short", "</r"}));
}

TEST(XmlStreamLimits, AnAttributeOfManyBlocksArrivesWhole) {
    const QByteArray value(3 * kBlock + 17, 'v');
    const Parsed p = parse("<r><a x=\"" + value + "\" y=\"end\"/></r>");
    ASSERT_TRUE(p.outcome.ok);
    ASSERT_EQ(p.events.size(), 4);
    EXPECT_TRUE(p.events[1].endsWith(" y=end"));
    EXPECT_EQ(p.events[1].size(),
              QStringLiteral("<a@1 x=").size() + value.size() + QStringLiteral(" y=end").size());
}

// No waypoint file gives an element 10,000 attributes, has that many namespaces declared at once,
// nests elements 256 deep or holds more damage than data: such a file stops there, with the elements
// before it read, whether a tag fits in a block or spans many (where it is counted before the parser
// would take it in).
TEST(XmlStreamLimits, WhatNoWaypointFileHoldsStopsTheFile) {
    const auto attributes = [](int count, const char* name, int length) {
        QByteArray tag;
        for (int i = 0; i < count; ++i) {
            tag += ' ' + QByteArray(name) + QByteArray::number(i) + "=\"" + QByteArray(length, 'v') + '"';
        }
        return tag;
    };
    QByteArray nested;
    for (int level = 0; level < 3; ++level) {
        nested +=
            "<e" +
            attributes(4000, "xmlns:p", 0).replace("xmlns:p", "xmlns:p" + QByteArray::number(level) + "_") +
            ">";
    }
    // 300 elements open at once, each a new name: an element inside its namesake would close it; 600
    // that lost their end tags are no nesting.
    QByteArray deep;
    QByteArray unclosed;
    for (int i = 0; i < 300; ++i) {
        deep += "<e" + QByteArray::number(i) + ">";
        unclosed += "<w>" + QByteArray::number(i) + "\n<w>\n";
    }
    const QString attributesStop = QStringLiteral(
        "an element has more than 10,000 attributes or namespace declarations, more than any waypoint file "
        "has; reading stopped there");
    const struct {
        const char* what;
        QByteArray file;
        QString stop;  // empty: read to the end
    } cases[] = {
        {"10,000 attributes", "<r><a/>\n<b" + attributes(10000, "x", 0) + "/></r>", QString()},
        {"10,001 attributes", "<r><a/>\n<b" + attributes(10001, "x", 0) + "/></r>", attributesStop},
        {"10,001 in a tag of many blocks", "<r><a/>\n<b" + attributes(10001, "x", 60) + "/></r>",
         attributesStop},
        {"12,000 declarations in force", "<r><a/>\n" + nested + "</e></e></e></r>",
         QStringLiteral("more than 10,000 namespace declarations are in force at once, more than any "
                        "waypoint file has; reading stopped there")},
        {"600 elements without end tags", "<r><a/>\n" + unclosed + "</r>", QString()},
        {"nested deeper than 256", "<r><a/>\n" + deep,
         "elements are nested more than 256 deep; reading stopped there"},
        {"more damage than data", "<r><a/>\n" + QByteArray("\x01<").repeated(20000) + "<b/></r>",
         "the file is too damaged to read on; reading stopped there"},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.file);
        EXPECT_EQ(p.outcome.message, c.stop) << c.what;
        EXPECT_EQ(p.outcome.line, c.stop.isEmpty() ? 0 : 2) << c.what;
        EXPECT_EQ(p.events.mid(0, 3), QStringList({"<r@1", "<a@1", "</a"})) << c.what;
    }
}
