// New GPX files are spelled out line by line from the layout, read back by this program's GPX
// reader, checked against the GPX 1.1 schema with xmllint and read by gpsbabel as a black box.
// Adding is checked byte for byte on small files of every shape, on damaged ones (refused, left as
// they were) and on the real files of other programs in ../shared/real/gpx when they are there.
#include "export/gpx/gpx_writer.h"

#include "export/atomic_save.h"
#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace vintrel;
using namespace vintrel::test;

namespace {

struct RowFields {
    const char* name;
    const char* description;
    double lat, lon;
    const char* url = "";
    const char* encryption = "";
    const char* symbol = "";
    const char* category = "";
    IconRole icon = IconRole::None;
};

WaypointRow row(const RowFields& s) {
    WaypointDraft d;
    d.cell(column::kName) = QString::fromUtf8(s.name);
    d.cell(column::kDescription) = QString::fromUtf8(s.description);
    d.cell(column::kUrl) = QString::fromUtf8(s.url);
    d.cell(column::kEncryption) = QString::fromUtf8(s.encryption);
    d.cell(column::kSymbol) = QString::fromUtf8(s.symbol);
    d.cell(column::kCategory) = QString::fromUtf8(s.category);
    d.icon = s.icon;
    d.lat = s.lat;
    d.lon = s.lon;
    return WaypointRow(d);
}

void fill(WaypointList& list, std::initializer_list<RowFields> rows) {
    for (const RowFields& s : rows) {
        list.appendWaypointRow(row(s));
    }
}

// The GPX schemas beside the source tree, where the project's shared files are; empty when absent.
QString schemaPath(const char* version) {
    const QString path =
        QDir::cleanPath(QStringLiteral(VINTREL_TEST_DATA "/../../../shared/schemas/gpx-%1.xsd").arg(version));
    return QFileInfo::exists(path) ? path : QString();
}

// xmllint's verdict on a file under a schema: empty when it validates.
QString schemaErrors(const QString& schema, const QString& path) {
    QProcess p;
    p.start("xmllint", {"--noout", "--schema", schema, path});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

// What gpsbabel reads of one kind (-w, -r, -t) from a GPX file: one line per point.
QStringList gpsbabelPoints(const char* kind, const QString& path) {
    QProcess p;
    p.start("gpsbabel", {kind, "-i", "gpx", "-f", path, "-o", "unicsv,utc=0", "-F", "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty()) {
        lines.removeFirst();  // the header
    }
    return lines;
}

// ` NAME0="vvv" NAME1="vvv" ...`
QByteArray attributes(int count, const QByteArray& name, int length) {
    QByteArray tag;
    for (int i = 0; i < count; ++i) {
        tag += ' ' + name + QByteArray::number(i) + "=\"" + QByteArray(length, 'v') + '"';
    }
    return tag;
}

constexpr const char* kTooMany =
    "its element on line 1 has more than 10,000 attributes or namespace declarations, more than any waypoint "
    "file has";

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<gpx version=\"1.1\" creator=\"Vintrel\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"http://www.topografix.com/"
    "GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\r\n";

class GpxWriter : public ::testing::Test {
  protected:
    QByteArray write(const WaypointList& list, const QString& fileName = "caches.gpx",
                     bool descriptions = true) {
        ExportContext context;
        context.options.includeDescription = descriptions;
        context.clock = &clock_;
        const QString path = dir_.filePath(fileName);
        const WriteReport report = writeGpxFile(list, path, context);
        EXPECT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, list.rowCount());
        return readAll(path);
    }
    WriteReport add(WaypointList& list, const QString& path, bool descriptions = true) {
        ExportContext context;
        context.options.includeDescription = descriptions;
        context.clock = &clock_;
        return addToGpxFile(list, path, context);
    }
    QByteArray metadata(const char* title) const {
        return QByteArray("<metadata><name>") + title + "</name><time>" +
               clock_.when.toUTC().toString(Qt::ISODate).toLatin1() + "</time></metadata>\r\n";
    }

    QTemporaryDir dir_;
    FixedClock clock_{QDateTime(QDate(2010, 11, 6), QTime(16, 1, 32))};
};

}  // namespace

TEST_F(GpxWriter, EveryRowIsOneWaypointLineInListOrder) {
    const struct {
        const char* what;
        RowFields fields;
        bool descriptions;
        const char* line;
    } cases[] = {
        {"geocache: GDB symbol, type from the icon, link",
         {"GC1A2B3", "Old Mill", 51.68541, -0.1872333, "http://x/?a=1&b=\"2\"", "", "Dot, White", "",
          IconRole::Traditional},
         true,
         "<wpt lat=\"51.68541\" lon=\"-0.1872333\"><name>GC1A2B3</name><desc>Old Mill</desc>"
         "<link href=\"http://x/?a=1&amp;b=&quot;2&quot;\"/><sym>Geocache</sym>"
         "<type>Traditional Cache</type></wpt>"},
        {"the category wins over the cache type; the row's own symbol when the name says none",
         {"Home", "", 1, 2, "", "", "Pin, Red", "Friends", IconRole::Multi},
         true,
         "<wpt lat=\"1\" lon=\"2\"><name>Home</name><sym>Pin, Red</sym><type>Friends</type></wpt>"},
        {"an unknown symbol is the GDB writer's Waypoint; RE is a red triangle",
         {"Road", "x", -1.5, -2.25, "", "", "No Such Symbol"},
         false,
         "<wpt lat=\"-1.5\" lon=\"-2.25\"><name>Road</name><sym>Waypoint</sym></wpt>"},
        {"RE",
         {"REDLIGHT 3", "", 0, 0},
         true,
         "<wpt lat=\"0\" lon=\"0\"><name>REDLIGHT 3</name><sym>Triangle, Red</sym></wpt>"},
        {"an encrypted network keeps its state in desc",
         {"0001:Home", "00:0F:66:12:34:56 BSS Ch6", 51.5, -0.1, "", "Encrypted"},
         true,
         "<wpt lat=\"51.5\" lon=\"-0.1\"><name>0001:Home</name><desc>00:0F:66:12:34:56 BSS Ch6, "
         "Encrypted</desc><sym>Navaid, Red</sym></wpt>"},
        {"nameless, rounded to seven decimals: +180 is -180, a vanishing negative is 0",
         {"", "", -0.00000001, 179.99999996},
         true,
         "<wpt lat=\"0\" lon=\"-180\"><sym>Waypoint</sym></wpt>"},
        {"escaped, control characters as spaces, letters kept",
         {"Tom & <Jerry>\x01", "Z\xC3\xBCrich \"\xF0\x9F\x98\x80\"\t", 1, 1, "a b"},
         true,
         "<wpt lat=\"1\" lon=\"1\"><name>Tom &amp; &lt;Jerry&gt; </name><desc>Z\xC3\xBCrich "
         "\"\xF0\x9F\x98\x80\"\t</desc><link href=\"a b\"/><sym>Waypoint</sym></wpt>"},
    };
    for (const auto& c : cases) {
        WaypointList list;
        list.appendWaypointRow(row(c.fields));
        EXPECT_EQ(write(list, "caches.gpx", c.descriptions),
                  kHead + metadata("caches") + c.line + "\r\n</gpx>\r\n")
            << c.what;
    }
    // In list order, marked duplicates too; an empty list is a document still.
    WaypointList list;
    fill(list, {{"B", "", 1, 1}, {"A", "", 2, 2}});
    list.markDuplicate(0);
    EXPECT_EQ(write(list, "Tom & <Jerry>.gpx"),
              kHead + metadata("Tom &amp; &lt;Jerry&gt;") +
                  "<wpt lat=\"1\" lon=\"1\"><name>B</name><sym>Waypoint</sym></wpt>\r\n"
                  "<wpt lat=\"2\" lon=\"2\"><name>A</name><sym>Waypoint</sym></wpt>\r\n</gpx>\r\n");
    EXPECT_EQ(write(WaypointList()), kHead + metadata("caches") + "</gpx>\r\n");
}

// This program's reader gives every row back field for field; the schema and gpsbabel accept
// networks too, and names that need escaping, are not ASCII or hold control characters.
TEST_F(GpxWriter, ItsReaderGpsbabelAndTheSchemaReadBackEveryRow) {
    ASSERT_TRUE(toolInstalled("xmllint"));
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    WaypointList list;
    readFixture(&readGpxFile, list, "pocket_query.gpx");
    readFixture(&readLocFile, list, "entities_lf.loc");
    double lon = 1;  // nameless waypoints at one place would be read back as one
    for (const IconRole icon :
         {IconRole::Geocache, IconRole::Traditional, IconRole::Webcam, IconRole::Multi, IconRole::Mystery,
          IconRole::Event, IconRole::Virtual, IconRole::Locationless}) {
        list.appendWaypointRow(row({"", "", 1, ++lon, "", "", "", "", icon}));
    }
    const int whole = list.rowCount();
    readFixture(&readGpxFile, list, "wifi.gpx");
    list.appendWaypointRow(row({"Tom & Jerry's", "<b>x</b>", -33.8688197, 151.2092955, "http://a/?x=1&y=2"}));
    list.appendWaypointRow(
        row({"Z\xC3\xBCrich <S\xC3\xBC\x64>", "y", 47.3768866, 8.541694, "", "UnEncrypted"}));
    list.appendWaypointRow(row({"ctl\x01\x02", "\xEF\xBF\xBF", 0, 180}));
    list.appendWaypointRow(row({"", "nameless", -90, -180}));
    write(list, "interop & <check>.gpx");
    const QString path = dir_.filePath("interop & <check>.gpx");
    if (const QString schema = schemaPath("1.1"); !schema.isEmpty()) {
        EXPECT_EQ(schemaErrors(schema, path), QString());
    }

    WaypointList back;
    ImportContext context{back};
    const ReadResult result = readGpxFile(path, context);
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
    ASSERT_EQ(back.rowCount(), list.rowCount());
    for (int r = 0; r < whole; ++r) {
        const WaypointRow& was = list.row(r);
        const WaypointRow& is = back.row(r);
        EXPECT_EQ(is.cell(column::kName), was.cell(column::kName)) << r;
        EXPECT_EQ(is.cell(column::kDescription), was.cell(column::kDescription)) << r;
        EXPECT_EQ(is.cell(column::kUrl), was.cell(column::kUrl)) << r;
        EXPECT_EQ(is.icon, was.icon == IconRole::None ? IconRole::Empty : was.icon) << r;
        EXPECT_NEAR(is.lat, was.lat, 5e-8) << r;
        EXPECT_NEAR(is.lon, was.lon, 5e-8) << r;
    }

    const auto babel = readWithGpsbabel("gpx", path);
    ASSERT_EQ(babel.size(), list.rowCount());
    for (int r = 0; r < list.rowCount(); ++r) {
        const WaypointRow& was = list.row(r);
        if (!was.cell(column::kName).isEmpty() && !was.cell(column::kName).startsWith("ctl")) {
            EXPECT_EQ(babel[r]["Name"], was.cell(column::kName)) << r;
        }
        EXPECT_NEAR(babel[r]["Latitude"].toDouble(), was.lat, 1e-6) << r;
        EXPECT_NEAR(std::fmod(babel[r]["Longitude"].toDouble() + 360.0, 360.0),
                    std::fmod(was.lon + 360.0, 360.0), 1e-6)
            << r;
        EXPECT_EQ(babel[r]["URL"], was.cell(column::kUrl)) << r;
    }
    EXPECT_EQ(babel[0]["Symbol"], "Geocache");
}

// Adding, byte for byte. The new rows are "New" (with a link) and, unless the file holds it, "Old Mill".
TEST_F(GpxWriter, AddingPutsNewWaypointsWhereTheSchemaWantsThemAndKeepsEveryOtherByte) {
    const QByteArray new11 =
        "<wpt lat=\"1\" lon=\"2\"><name>New</name><link href=\"http://n/\"/><sym>Waypoint</sym></wpt>";
    const QByteArray new10 =
        "<wpt lat=\"1\" lon=\"2\"><name>New</name><url>http://n/</url><sym>Waypoint</sym></wpt>";
    const QByteArray mill11 = "<wpt lat=\"3\" lon=\"4\"><name>Old Mill</name><sym>Waypoint</sym></wpt>";
    const QByteArray head11 =
        "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    const QByteArray head10 = "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\">\r\n";
    const struct {
        const char* what;
        QByteArray before;
        QByteArray after;
        int existing;
        int added;
    } cases[] = {
        {"after the last waypoint, indented like it; names as the reader reads them (line breaks, CDATA, "
         "entities) are held",
         head11 + "  <wpt lat=\"0\" lon=\"0\"><name>\n   Old\n   Mill </name></wpt>\n  <wpt lat=\"0\" "
                  "lon=\"0\"/>\n"
                  "  <rte><rtept lat=\"0\" lon=\"0\"><name><![CDATA[R&1]]></name></rtept></rte>\n</gpx>\n",
         head11 +
             "  <wpt lat=\"0\" lon=\"0\"><name>\n   Old\n   Mill </name></wpt>\n  <wpt lat=\"0\" "
             "lon=\"0\"/>\n  " +
             new11 +
             "\n  <rte><rtept lat=\"0\" lon=\"0\"><name><![CDATA[R&1]]></name></rtept></rte>\n</gpx>\n",
         2, 1},
        {"GPX 1.0 gets url; CR LF kept",
         head10 + "<wpt lat=\"0\" lon=\"0\"><name>R&amp;1</name></wpt>\r\n</gpx>",
         head10 + "<wpt lat=\"0\" lon=\"0\"><name>R&amp;1</name></wpt>\r\n" + new10 + "\r\n" +
             "<wpt lat=\"3\" lon=\"4\"><name>Old Mill</name><sym>Waypoint</sym></wpt>\r\n</gpx>",
         1, 2},
        {"no waypoint: in front of the first route", head11 + "  <metadata/>\n  <rte/>\n  <trk/>\n</gpx>\n",
         head11 + "  <metadata/>\n  " + new11 + "\n  " + mill11 + "\n  <rte/>\n  <trk/>\n</gpx>\n", 0, 2},
        {"in front of the extensions", head11 + "\t<extensions><x:a xmlns:x=\"u\"/></extensions>\n</gpx>",
         head11 + "\t" + new11 + "\n\t" + mill11 +
             "\n\t<extensions><x:a xmlns:x=\"u\"/></extensions>\n</gpx>",
         0, 2},
        {"GPX 1.0: in front of an element of another namespace",
         head10 + "<x:a xmlns:x=\"u\"><wpt/></x:a></gpx>",
         head10 + new10 +
             "\r\n<wpt lat=\"3\" lon=\"4\"><name>Old Mill</name><sym>Waypoint</sym></wpt>\r\n"
             "<x:a xmlns:x=\"u\"><wpt/></x:a></gpx>",
         0, 2},
        {"in front of </gpx>, in a file of one line: no line end",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata/></gpx>",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata/>" + new11 + mill11 + "</gpx>", 0, 2},
        {"in front of </gpx>, in a file of one line and its CR LF",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata/></gpx>\r\n",
         "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata/>" + new11 + "\r\n" + mill11 +
             "\r\n</gpx>\r\n",
         0, 2},
        {"GPX elements with a prefix, beside another default namespace: new ones take the prefix",
         "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\" xmlns=\"urn:o\">\n<g:wpt lat=\"0\" lon=\"0\">"
         "<g:name>Old Mill</g:name></g:wpt>\n</g:gpx>",
         "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\" xmlns=\"urn:o\">\n<g:wpt lat=\"0\" lon=\"0\">"
         "<g:name>Old Mill</g:name></g:wpt>\n<g:wpt lat=\"1\" lon=\"2\"><g:name>New</g:name>"
         "<g:link href=\"http://n/\"/><g:sym>Waypoint</g:sym></g:wpt>\n</g:gpx>",
         1, 1},
        {"no namespace, version 1.0: GPX 1.0 elements", "<gpx version=\"1.0\">\n</gpx>",
         "<gpx version=\"1.0\">\n" + new10 +
             "\n<wpt lat=\"3\" lon=\"4\"><name>Old Mill</name><sym>Waypoint</sym>"
             "</wpt>\n</gpx>",
         0, 2},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath("add.gpx");
        ASSERT_TRUE(writeFile(path, c.before));
        WaypointList list;
        fill(list, {{"New", "", 1, 2, "http://n/"}, {"Old Mill", "", 3, 4}});
        const WriteReport report = add(list, path, false);
        EXPECT_TRUE(report.written) << c.what << ": " << report.error.toStdString();
        EXPECT_EQ(report.existingCount, c.existing) << c.what;
        EXPECT_EQ(report.recordCount, c.added) << c.what;
        EXPECT_EQ(report.leftOutCount, 2 - c.added) << c.what;
        EXPECT_EQ(list.row(1).isMarkedDuplicate(), c.added == 1) << c.what;
        EXPECT_EQ(readAll(path), c.after) << c.what;
    }
}

TEST_F(GpxWriter, AddingWritesInTheFilesOwnEncoding) {
    const auto utf16 = [](const QString& text) {  // little-endian, as on every machine the tests run on
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), 2 * text.size());
    };
    const QString uml = QString::fromUtf8("M\xC3\xBChle \xE2\x82\xAC");
    const struct {
        const char* what;
        QByteArray before;
        QByteArray name;  // of the new waypoint, as written
    } cases[] = {
        {"UTF-8 with a byte-order mark",
         "\xEF\xBB\xBF<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n</gpx>", uml.toUtf8()},
        {"ISO-8859-1: references",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
         "<wpt lat=\"0\" lon=\"0\"><name>M\xFChle</name></wpt>\n</gpx>",
         "M&#252;hle &#8364;"},
        {"UTF-16",
         "\xFF\xFE" + utf16(QStringLiteral("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\r\n</gpx>")),
         utf16(uml)},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath("enc.gpx");
        ASSERT_TRUE(writeFile(path, c.before));
        WaypointList list;
        fill(list, {{"M\xC3\xBChle \xE2\x82\xAC", "", 1, 2}, {"\xE2\x82\xAC", "", 3, 4}});
        const WriteReport report = add(list, path);
        EXPECT_TRUE(report.written) << c.what << ": " << report.error.toStdString();
        EXPECT_TRUE(readAll(path).contains(c.name)) << c.what;
    }
}

TEST_F(GpxWriter, AFileTheReaderWouldRepairOrThatIsNoGpxIsRefusedAndLeftAsItWas) {
    const QByteArray gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">";
    QByteArray deep;
    for (int i = 0; i < 256; ++i) {
        deep += "<a" + QByteArray::number(i) + ">";
    }
    QByteArray nested;
    for (const char* level : {"a", "b", "c"}) {
        nested += "<x:e" + attributes(4000, QByteArray("xmlns:") + level, 1) + " xmlns:x=\"urn:x\">";
    }
    const auto utf16 = [](const QByteArray& text) {
        const QString s = QString::fromLatin1(text);
        return "\xFF\xFE" + QByteArray(reinterpret_cast<const char*>(s.utf16()), 2 * s.size());
    };
    const struct {
        QByteArray file;
        const char* reason;
    } cases[] = {
        {"", "it is empty"},
        {"<kml xmlns=\"http://www.opengis.net/kml/2.2\"></kml>",
         "it is not a GPX file (its document is <kml>)"},
        {"<gpx xmlns=\"http://example.com/\"></gpx>", "it is not a GPX file (its document is <gpx>)"},
        {gpx + "<wpt lat=\"1\" lon=\"2\"><name>A & B</name></wpt></gpx>",
         "it is damaged (line 1: not well-formed"},
        {gpx + "<wpt lat=\"1\" lon=\"2\">\n<wpt lat=\"1\" lon=\"2\"></wpt></wpt></gpx>",
         "it is damaged (line 2: <wpt> inside <wpt>: an end tag is missing)"},
        {gpx + "<wpt lat=\"1\" lon=\"2\">", "it is damaged (line 1: no element found)"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>" + gpx + "</gpx>",
         "its encoding \"ISO-8859-15\" is not one this program adds to"},
        {"<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"/>",
         "its <gpx> element is empty and has no end tag to add in front of"},
        {gpx + deep + "</gpx>", "its elements are nested more than 256 deep"},
        // Refused before the parser takes in a tag of many pieces, in every encoding the add writes.
        {gpx + "<wpt" + attributes(10001, "a", 0) + "/></gpx>", kTooMany},
        {utf16(gpx + "<wpt" + attributes(10001, "a", 60) + "/></gpx>"), kTooMany},
        {gpx + nested + "</x:e></x:e></x:e></gpx>",
         "on its line 1 more than 10,000 namespace declarations are in force at once"},
    };
    for (const auto& c : cases) {
        const QString path = dir_.filePath("bad.gpx");
        ASSERT_TRUE(writeFile(path, c.file));
        WaypointList list;
        fill(list, {{"A", "", 1, 1}});
        const WriteReport report = add(list, path);
        EXPECT_FALSE(report.written) << c.reason;
        EXPECT_TRUE(report.error.startsWith(QString::fromUtf8(c.reason))) << report.error.toStdString();
        EXPECT_EQ(readAll(path), c.file) << c.reason;
        EXPECT_FALSE(list.row(0).isMarkedDuplicate()) << c.reason;
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"bad.gpx"});
}

// The files of other programs: after the add gpsbabel reads every old waypoint, route point and
// track point and every new waypoint, the old bytes are all there around the new ones, and the
// schema check passes where it passed before.
TEST_F(GpxWriter, AddingToRealFilesOfOtherProgramsKeepsWhatTheyHold) {
    const QDir real(QStringLiteral(VINTREL_TEST_DATA "/../../../shared/real/gpx"));
    const QStringList files = real.entryList({"*.gpx"}, QDir::Files);
    if (files.isEmpty()) {
        GTEST_SKIP() << "no real GPX files beside the source tree";
    }
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    ASSERT_TRUE(toolInstalled("xmllint"));
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir_.filePath(name);
        const QByteArray before = readAll(real.filePath(name));
        ASSERT_TRUE(writeFile(path, before));
        const QString schema =
            schemaPath(before.contains("http://www.topografix.com/GPX/1/0") ? "1.0" : "1.1");
        const bool validBefore = !schema.isEmpty() && schemaErrors(schema, path).isEmpty();
        const auto waypoints = readWithGpsbabel("gpx", path);
        const QStringList routes = gpsbabelPoints("-r", path);
        const QStringList tracks = gpsbabelPoints("-t", path);

        WaypointList list;  // three new waypoints, then the file's own, which it holds already
        readFixture(&readGpxFile, list, "pocket_query.gpx");
        ImportContext context{list};
        readGpxFile(path, context);
        const WriteReport report = add(list, path);
        ASSERT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, 3);
        EXPECT_EQ(report.leftOutCount, list.rowCount() - 3);  // nameless ones by place

        const QByteArray after = readAll(path);
        const auto same = std::mismatch(before.begin(), before.end(), after.begin(), after.end()).first;
        EXPECT_TRUE(after.endsWith(before.sliced(same - before.begin())));
        const auto waypointsAfter = readWithGpsbabel("gpx", path);
        ASSERT_EQ(waypointsAfter.size(), waypoints.size() + 3);
        for (qsizetype i = 0; i < waypoints.size(); ++i) {
            for (const char* field : {"Name", "Latitude", "Longitude", "Description", "Notes", "Date"}) {
                if (waypoints[i].contains(field)) {  // a column gpsbabel shows only when some waypoint has it
                    EXPECT_EQ(waypointsAfter[i][field], waypoints[i][field]) << i << field;
                }
            }
        }
        for (int r = 0; r < 3; ++r) {
            const auto& added = waypointsAfter[waypoints.size() + r];
            EXPECT_EQ(added["Name"], list.row(r).cell(column::kName));
            EXPECT_NEAR(added["Latitude"].toDouble(), list.row(r).lat, 1e-6);
        }
        EXPECT_EQ(gpsbabelPoints("-r", path), routes);
        EXPECT_EQ(gpsbabelPoints("-t", path), tracks);
        if (validBefore) {
            EXPECT_EQ(schemaErrors(schema, path), QString());
        }
    }
}
