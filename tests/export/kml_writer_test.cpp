// Every file written here is parsed back with expat: it must be well formed and hold one placemark
// per row, in its folder, at the row's position. The document's lines are spelled out from the
// layout, and two independent tools read a written file as black boxes: xmllint and gpsbabel.
#include "export/kml_writer.h"

#include "import/gpx_reader.h"
#include "import/loc_reader.h"

#include "interop_support.h"
#include "test_support.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

WaypointRow row(const QString& name, const QString& description, double lat, double lon,
                const QString& encryption = QString(), QChar separator = u'.') {
    WaypointDraft d;
    d.cell(column::kName) = name;
    d.cell(column::kDescription) = description;
    d.cell(column::kLatDecimal) = QString::number(lat, 'f', 7).replace(u'.', separator);
    d.cell(column::kLonDecimal) = QString::number(lon, 'f', 7).replace(u'.', separator);
    d.cell(column::kEncryption) = encryption;
    d.lat = lat;
    d.lon = lon;
    return WaypointRow(d);
}

// The rows in the order the folders show them: open networks, encrypted ones, then the others.
QList<const WaypointRow*> inFolderOrder(const WaypointList& list) {
    QList<const WaypointRow*> rows;
    for (const char* kind : {"UnEncrypted", "Encrypted", ""}) {
        for (const WaypointRow& r : list.rows()) {
            const QString e = r.cell(column::kEncryption);
            const bool other = e != "UnEncrypted" && e != "Encrypted";
            if (*kind == '\0' ? other : e == kind) {
                rows.append(&r);
            }
        }
    }
    return rows;
}

const QStringList kStyleLines = {
    "<Style id='red'><IconStyle><scale>1.2</scale><Icon><href>"
    "http://maps.google.com/mapfiles/kml/paddle/red-circle.png</href></Icon></IconStyle></Style>",
    "<Style id='green'><IconStyle><scale>1.2</scale><Icon><href>"
    "http://maps.google.com/mapfiles/kml/paddle/grn-circle.png</href></Icon></IconStyle></Style>",
    "<Style id='pushpin'><IconStyle><scale>1</scale><Icon><href>"
    "http://maps.google.com/mapfiles/kml/pal3/icon55.png</href></Icon></IconStyle></Style>",
};

// The lines before the folders, for a file named caches.kml written at the fixed clock's time in
// British English.
QStringList head() {
    return QStringList{"<?xml version='1.0' encoding='UTF-8'?>",
                       "<kml xmlns='http://earth.google.com/kml/2.1'>", "<Document>", "<name>caches</name>",
                       "<Snippet maxLines='2'>Created 06/11/2010 16:01:32</Snippet>"} +
           kStyleLines;
}

QStringList placemark(const QString& nameAndDescription, const QString& style, const QString& coordinates) {
    return {"<Placemark>" + nameAndDescription, "<styleUrl>#" + style + "</styleUrl><Point><coordinates>" +
                                                    coordinates + "</coordinates></Point></Placemark>"};
}

class KmlWriter : public ::testing::Test {
  protected:
    // Writes the list, checks it against the list through expat and returns its bytes.
    QByteArray write(const WaypointList& list, const QString& fileName = "caches.kml",
                     bool descriptions = true,
                     const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedKingdom)) {
        ExportContext context;
        context.options.includeDescription = descriptions;
        context.clock = &clock_;
        context.locale = locale;
        const QString path = dir_.filePath(fileName);
        const WriteReport report = writeKmlFile(list, path, context);
        EXPECT_TRUE(report.written) << report.error.toStdString();
        EXPECT_EQ(report.recordCount, list.rowCount());
        const QByteArray bytes = readAll(path);
        parsed_ = parseKml(bytes);  // well formed, one placemark per row; what each holds the tests spell out
        EXPECT_EQ(parsed_.error, QString());
        EXPECT_EQ(parsed_.placemarks, list.rowCount());
        return bytes;
    }
    // The file's lines; every line ends with CR LF.
    static QStringList lines(const QByteArray& bytes) {
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
        EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n"));
        QStringList out = QString::fromUtf8(bytes).split("\r\n");
        out.removeLast();
        return out;
    }

    QTemporaryDir dir_;
    FixedClock clock_{QDateTime(QDate(2010, 11, 6), QTime(16, 1, 32))};
    ParsedKml parsed_;
};

}  // namespace

TEST_F(KmlWriter, EachKindGoesToItsFolderInListOrder) {
    // A marked duplicate is written too; the kind is compared exactly ("encrypted" is no network).
    WaypointRow marked = row("GC1", "a", 1, 2);
    marked.setCell(column::kDuplicate, kDuplicateMark);
    const QStringList tail{"", "</Folder></Document></kml>"};
    const struct {
        const char* what;
        QList<WaypointRow> rows;
        QStringList body;
    } cases[] = {
        {"empty", {}, {"</Document></kml>"}},
        {"both kinds",
         {marked, row("HomeNet", "b", 3, 4, "Encrypted"), row("Cafe", "c", 5, 6, "UnEncrypted"),
          row("GC2", "d", -7, -8, "encrypted")},
         QStringList{"<Folder><name>UnEncrypted WLANs</name>"} +
             placemark("<name>Cafe</name><description>c</description>", "green", "6.0000000,5.0000000,0") +
             QStringList{"", "</Folder><Folder><name>Encrypted WLANs</name>"} +
             placemark("<name>HomeNet</name><description>b</description>", "red", "4.0000000,3.0000000,0") +
             QStringList{"", "</Folder>", "<Folder><name>Waypoints</name>"} +
             placemark("<name>GC1</name><description>a</description>", "pushpin", "2.0000000,1.0000000,0") +
             placemark("<name>GC2</name><description>d</description>", "pushpin", "-8.0000000,-7.0000000,0") +
             tail},
    };
    for (const auto& c : cases) {
        WaypointList list;
        for (const WaypointRow& r : c.rows) {
            list.appendWaypointRow(r);
        }
        EXPECT_EQ(lines(write(list)), head() + c.body) << c.what;
        EXPECT_EQ(parsed_.title, "caches");
    }
}

TEST_F(KmlWriter, TextsAreEscapedAndKeepTheirCharacters) {
    WaypointList list;
    list.appendWaypointRow(row("Tom & Jerry's", "<b>bold</b> & \"quoted\"", 1, 1));
    list.appendWaypointRow(row(QString::fromUtf8("Zürich"), QString::fromUtf8("Ωmega 語 \U0001F600"), 2, 2));
    list.appendWaypointRow(
        row(QStringLiteral("a\x01z\tt\r\nx\x1F"), QStringLiteral("\x0B") + QChar(0xFFFE), 3, 3));
    list.appendWaypointRow(row(QString(QChar(0xD800)) + "lone", QString(QChar(0xDC00)), 4, 4));
    const QByteArray bytes = write(list, "Tom & <Jerry>.kml");
    EXPECT_TRUE(bytes.contains("<name>Tom &amp; &lt;Jerry&gt;</name>\r\n"));
    EXPECT_TRUE(
        bytes.contains("<Placemark><name>Tom &amp; Jerry's</name><description>"
                       "&lt;b&gt;bold&lt;/b&gt; &amp; \"quoted\"</description>\r\n"));
    EXPECT_TRUE(bytes.contains(
        "<name>Z\xC3\xBCrich</name><description>\xCE\xA9mega \xE8\xAA\x9E \xF0\x9F\x98\x80</description>"));
    EXPECT_TRUE(bytes.contains("<name>a z\tt  x </name><description>  </description>"));
    EXPECT_TRUE(bytes.contains("<name> lone</name><description> </description>"));
    EXPECT_EQ(parsed_.title, "Tom & <Jerry>");
    EXPECT_EQ(parsed_.descriptions.value(1), QString::fromUtf8("Ωmega 語 \U0001F600"));
}

// Cells with a decimal comma, written in German: the coordinates keep their point, the date and
// time are the locale's (without a zone, which a wall clock lacks).
TEST_F(KmlWriter, TitleFromTheFileNameBlankLeftOutDescriptionsAndPointsInCoordinates) {
    WaypointList list;
    list.appendWaypointRow(row("GC1", "Old Mill", 51.68541, -0.1872333, QString(), u','));
    list.appendWaypointRow(row("Net", "WEP", -89.9999999, 179.9999999, "Encrypted", u','));
    ASSERT_EQ(list.row(0).cell(column::kLatDecimal), "51,6854100");
    for (const auto& [file, title] :
         {std::pair{"my places.kml", "my places"}, {"x.kml", "x"}, {"a.b.kml", "a.b"}, {"notes", "notes"}}) {
        const QByteArray bytes = write(list, file, false, QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(parsed_.title, title);
        EXPECT_EQ(bytes.count("<description> </description>"), 2);
        EXPECT_FALSE(bytes.contains("Old Mill"));
        EXPECT_TRUE(bytes.contains("<coordinates>-0.1872333,51.6854100,0</coordinates>"));
        EXPECT_TRUE(bytes.contains("<coordinates>179.9999999,-89.9999999,0</coordinates>"));
        EXPECT_TRUE(bytes.contains("<Snippet maxLines='2'>Created 06.11.10 16:01:32</Snippet>\r\n"));
    }
}

namespace {

// The fixtures of every kind, and names that need escaping or are not ASCII.
void fillInteropList(WaypointList& list) {
    readFixture(&readGpxFile, list, "pocket_query.gpx");
    readFixture(&readGpxFile, list, "wifi.gpx");
    readFixture(&readLocFile, list, "entities_lf.loc");
    list.appendWaypointRow(row("Tom & Jerry's", "<b>x</b>", -33.8688197, 151.2092955));
    list.appendWaypointRow(row(QString::fromUtf8("Zürich <Süd>"), "y", 47.3768866, 8.5416940, "UnEncrypted"));
}

}  // namespace

// gpsbabel reads every name and position in folder order; xmllint finds nothing to say.
TEST_F(KmlWriter, IndependentReadersAcceptWhatIsWritten) {
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    ASSERT_TRUE(toolInstalled("xmllint"));
    WaypointList list;
    fillInteropList(list);
    list.appendWaypointRow(row(QStringLiteral("ctl\x01\x02"), QString(QChar(0xFFFF)), 0, 0));
    const QString path = dir_.filePath("interop & <check>.kml");
    write(list, "interop & <check>.kml");
    const auto back = readWithGpsbabel("kml", path);
    const QList<const WaypointRow*> rows = inFolderOrder(list);
    ASSERT_EQ(back.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (!rows[i]->cell(column::kName).startsWith("ctl")) {
            EXPECT_EQ(back[i]["Name"], rows[i]->cell(column::kName));
        }
        EXPECT_NEAR(back[i]["Latitude"].toDouble(), rows[i]->lat, 1e-6) << i;
        EXPECT_NEAR(back[i]["Longitude"].toDouble(), rows[i]->lon, 1e-6) << i;
    }
    QProcess p;
    p.start("xmllint", {"--noout", path});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardError(), QByteArray());
}
