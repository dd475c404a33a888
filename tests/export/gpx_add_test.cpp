// Adding to GPX files that are sound but unusual: prefixed GPX elements beside another default
// namespace, entities the file declares, encoding names the parser does not know, extensions that
// nest; and files that ask more of the parser than any waypoint file does. What the add writes is
// spelled out byte for byte and read back by the program's own reader, and the prefixed file is
// checked against the GPX 1.1 schema with xmllint.
#include "export/gpx/gpx_writer.h"

#include "import/gpx_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

WriteReport add(const QString& path, const QStringList& names) {
    WaypointList list;
    double lat = 3;
    for (const QString& name : names) {
        WaypointDraft d;
        d.cell(column::kName) = name;
        d.lat = lat++;
        d.lon = 4;
        list.appendWaypointRow(WaypointRow(d));
    }
    return addToGpxFile(list, path, ExportContext{});
}

// ` NAME0="vvv" NAME1="vvv" ...`
QByteArray attributes(int count, const QByteArray& name, int length) {
    QByteArray tag;
    for (int i = 0; i < count; ++i) {
        tag += ' ' + name + QByteArray::number(i) + "=\"" + QByteArray(length, 'v') + '"';
    }
    return tag;
}

}  // namespace

TEST(GpxAdd, UnusualButSoundFilesGetTheirNewWaypointsOnceWhereTheReaderFindsThem) {
    const QByteArray gpx11 = "\"http://www.topografix.com/GPX/1/1\"";
    const struct {
        const char* what;
        QByteArray before;
        QStringList adding;
        QByteArray added;   // what the add inserts before `before`'s last line
        QStringList names;  // as the reader lists them afterwards
    } cases[] = {
        {"GPX elements with a prefix, beside another default namespace: new ones take the prefix",
         "<g:gpx xmlns:g=" + gpx11 +
             " xmlns=\"urn:other\" version=\"1.1\" creator=\"t\">\n"
             "  <g:wpt lat=\"1\" lon=\"2\"><g:name>OLD1</g:name></g:wpt>\n</g:gpx>\n",
         {"OLD1", "NEW1"},
         "  <g:wpt lat=\"4\" lon=\"4\"><g:name>NEW1</g:name><g:sym>Waypoint</g:sym></g:wpt>\n",
         {"OLD1", "NEW1"}},
        {"an entity the file declares is read as the reader reads it: as written",
         "<!DOCTYPE gpx [<!ENTITY n \"NEW1\">]>\n<gpx xmlns=" + gpx11 +
             ">\n<wpt lat=\"1\" lon=\"2\"><name>&n;</name></wpt>\n</gpx>",
         {"&n;", "NEW1"},
         "<wpt lat=\"4\" lon=\"4\"><name>NEW1</name><sym>Waypoint</sym></wpt>\n",
         {"&n;", "NEW1"}},
        {"encoding=\"utf8\" is UTF-8",
         "<?xml version=\"1.0\" encoding=\"utf8\"?>\n<gpx xmlns=" + gpx11 + ">\n</gpx>",
         {"Z\u00FCrich"},
         "<wpt lat=\"3\" lon=\"4\"><name>Z\xC3\xBCrich</name><sym>Waypoint</sym></wpt>\n",
         {"Z\u00FCrich"}},
        {"encoding=\"ascii\" gets references",
         "<?xml version=\"1.0\" encoding=\"ascii\"?>\n<gpx xmlns=" + gpx11 + ">\n</gpx>",
         {"Z\u00FCrich"},
         "<wpt lat=\"3\" lon=\"4\"><name>Z&#252;rich</name><sym>Waypoint</sym></wpt>\n",
         {"Z\u00FCrich"}},
        {"extensions nest in extensions",
         "<gpx xmlns=" + gpx11 +
             ">\n<trk><extensions><line xmlns=\"http://www.topografix.com/GPX/gpx_style/0/2\"><extensions>"
             "<extensions/></extensions></line></extensions></trk>\n</gpx>",
         {"NEW1"},
         "",
         {"NEW1"}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("t.gpx");
    for (const auto& c : cases) {
        ASSERT_TRUE(writeFile(path, c.before));
        const WriteReport report = add(path, c.adding);
        ASSERT_TRUE(report.written) << c.what << ": " << report.error.toStdString();
        const QByteArray after = readAll(path);
        if (!c.added.isEmpty()) {
            const qsizetype lastLine = c.before.lastIndexOf('\n', c.before.size() - 2) + 1;
            EXPECT_EQ(after, c.before.first(lastLine) + c.added + c.before.sliced(lastLine)) << c.what;
        }
        WaypointList back;
        ImportContext context{back};
        readGpxFile(path, context);
        EXPECT_EQ(columnTexts(back, column::kName), c.names) << c.what;
        const WriteReport again = add(path, c.adding);
        EXPECT_EQ(again.recordCount, 0) << c.what;
        EXPECT_EQ(readAll(path), after) << c.what;
    }

    // The prefixed file is still valid GPX 1.1.
    const QString schema = QStringLiteral(VINTREL_REAL_DATA "/../schemas/gpx-1.1.xsd");
    if (!QFileInfo::exists(schema) || !toolInstalled("xmllint")) {
        GTEST_SKIP() << "no GPX schema or xmllint";
    }
    ASSERT_TRUE(writeFile(path, cases[0].before));
    ASSERT_TRUE(add(path, cases[0].adding).written);
    QProcess xmllint;
    xmllint.start("xmllint", {"--noout", "--schema", schema, path});
    ASSERT_TRUE(xmllint.waitForFinished(30000));
    EXPECT_EQ(xmllint.exitCode(), 0) << xmllint.readAllStandardError().toStdString();
}

// A file whose elements have more attributes or namespace declarations than any waypoint file is
// refused, before the parser takes in a tag of many pieces, in every encoding the add writes.
TEST(GpxAdd, MoreAttributesOrDeclarationsThanAnyWaypointFileAreRefused) {
    const QByteArray gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    const auto utf16 = [](const QByteArray& text) {
        const QString s = QString::fromLatin1(text);
        return "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(s.utf16()), 2 * s.size());
    };
    const QString tooMany = QStringLiteral(
        "its element on line 2 has more than 10,000 attributes or namespace declarations, more than any "
        "waypoint file has");
    QByteArray nested;
    for (const char* level : {"a", "b", "c"}) {
        nested += "<x:e" + attributes(4000, QByteArray("xmlns:") + level, 1) + " xmlns:x=\"urn:x\">";
    }
    const struct {
        const char* what;
        QByteArray file;
        QString refusal;  // empty: added to
    } cases[] = {
        {"10,000 attributes", gpx + "<wpt lat=\"1\" lon=\"2\"" + attributes(9998, "a", 0) + "/></gpx>",
         QString()},
        {"10,001 attributes", gpx + "<wpt lat=\"1\" lon=\"2\"" + attributes(9999, "a", 0) + "/></gpx>",
         tooMany},
        {"namespace declarations among them", gpx + "<wpt" + attributes(10001, "xmlns:a", 1) + "/></gpx>",
         tooMany},
        {"a tag of many pieces", gpx + "<wpt" + attributes(10001, "a", 60) + "/></gpx>", tooMany},
        {"a tag of many pieces in UTF-16", utf16(gpx + "<wpt" + attributes(10001, "a", 60) + "/></gpx>"),
         tooMany},
        {"12,000 declarations in force", gpx + nested + "</x:e></x:e></x:e></gpx>",
         QStringLiteral("on its line 2 more than 10,000 namespace declarations are in force at once, more "
                        "than any waypoint file has")},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("t.gpx");
    for (const auto& c : cases) {
        ASSERT_TRUE(writeFile(path, c.file));
        const WriteReport report = add(path, {"NEW1"});
        EXPECT_EQ(report.error, c.refusal) << c.what;
        EXPECT_EQ(readAll(path) == c.file, !c.refusal.isEmpty()) << c.what;
    }
}
