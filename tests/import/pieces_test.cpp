// Files read in pieces on several threads give the list and the report one thread gives, whatever
// the cuts: small pieces make small files split, down to a cut before every byte.
#include "import/import_driver.h"
#include "test_support.h"

#include <QDirIterator>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <string>

#include <gtest/gtest.h>

namespace vintrel {
namespace {

// Everything an import leaves: every row as --list prints it (and its red name), the column
// widths and alignments, the report lines, the skips, the problems, the advice and what else each
// file's result says.
QString listing(const QStringList& paths, const PieceSettings& pieces, bool cancelled = false) {
    WaypointList list;
    WorkProgress progress;
    if (cancelled) {
        progress.cancel();
    }
    ImportContext context{list, u',', &progress, pieces};
    const ImportOutcome outcome = importFiles(paths, context);
    QString s;
    for (const WaypointRow& row : list.rows()) {
        s += iconRoleName(row.icon);
        for (int c = 1; c < kColumnCount; ++c) {
            s += u'\t' + row.cell(c);
        }
        s += row.redName ? QStringLiteral("\t(red)\n") : QStringLiteral("\n");
    }
    QStringList lines = importReportLines(outcome) + importSkipLines(outcome);
    for (const FileImport& f : outcome.files) {
        lines += f.result.problems;
        lines.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                         .arg(f.result.finished)
                         .arg(f.result.readToEnd)
                         .arg(f.result.documentFound)
                         .arg(f.cancelled)
                         .arg(f.result.advice, f.result.alert ? f.result.alert->text : QString()));
    }
    return s + u'\n' + lines.join(u'\n') + u'\n' + outcome.advice;
}

PieceSettings oneThread() {
    PieceSettings s;
    s.threads = 1;
    return s;
}

PieceSettings inPieces(qint64 bytes, int threads, int* read = nullptr) {
    PieceSettings s;
    s.threads = threads;
    s.fromBytes = 0;
    s.pieceBytes = bytes;
    s.piecesRead = read;
    return s;
}

qint64 largest(const QStringList& paths) {
    qint64 most = 0;
    for (const QString& p : paths) {
        most = std::max(most, QFileInfo(p).size());
    }
    return most;
}
constexpr qint64 kMostPieces = 5000;

// Reads `paths` with pieces of every size from 1 byte to the largest file's size (or the sizes
// given, leaving out those that cut a file into more than kMostPieces), on two and three threads,
// against one thread; returns the pieces merged in all.
int expectAlikeInPieces(const QStringList& paths, QList<qint64> sizes = {}) {
    const QString expected = listing(paths, oneThread());
    if (sizes.isEmpty()) {
        for (qint64 b = 1; b <= largest(paths); ++b) {
            sizes.append(b);
        }
    }
    int read = 0;
    for (const qint64 bytes : sizes) {
        if (bytes * kMostPieces < largest(paths)) {
            continue;  // as many pieces, and more, come with larger files
        }
        const QString got = listing(paths, inPieces(bytes, bytes % 2 == 0 ? 2 : 3, &read));
        if (got != expected) {
            ADD_FAILURE() << "pieces of " << bytes << " bytes differ from one thread:\n"
                          << got.toStdString() << "\n-- one thread:\n"
                          << expected.toStdString();
            break;
        }
    }
    return read;
}

struct Document {
    const char* name;
    QByteArray bytes;
    bool allInPieces;  // no cut needs the file's rest read on one thread
};

void PrintTo(const Document& d, std::ostream* os) {
    *os << d.name;
}

QByteArray gpx(const QByteArray& body, const QByteArray& head = R"(<?xml version="1.0" encoding="UTF-8"?>)") {
    return head + "\r\n" +
           R"(<gpx version="1.1" creator="t" xmlns="http://www.topografix.com/GPX/1/1" xmlns:gs="http://www.groundspeak.com/cache/1/0/1">)"
           "\r\n" +
           body + "</gpx>\r\n";
}

// Waypoints, a duplicate name, a bad position, and start tags of waypoints where no waypoint
// starts: in a comment, a processing instruction, a CDATA section.
const QByteArray kWaypoints =
    " <metadata><name>m</name></metadata>\r\n"
    " <wpt lat=\"1.5\" lon=\"2\"><name>A</name><desc>first</desc><sym>Geocache</sym></wpt>\r\n"
    " <!-- <wpt lat=\"9\" lon=\"9\"><name>C1</name></wpt> -->\r\n"
    " <wpt lat=\"3\" lon=\"4\"><name>B</name><type>Geocache|Multi-cache</type>"
    "<gs:cache><gs:type>Multi</gs:type></gs:cache></wpt>\r\n"
    " <wpt lat=\"5\" lon=\"6\"><name>A</name></wpt>\r\n"
    " <?pi <wpt lat=\"1\" lon=\"1\"> ?>\r\n"
    " <wpt lat=\"95\" lon=\"6\"><name>Bad</name></wpt>\r\n"
    " <wpt lat=\"7\" lon=\"8\"><name>Z\xC3\xBCrich</name><desc><![CDATA[ <wpt lat=\"1\" lon=\"1\"> "
    "]]></desc></wpt>\r\n"
    " <trk><trkseg><trkpt lat=\"1\" lon=\"1\"/></trkseg></trk>\r\n"
    " <wpt lat=\"7.5\" lon=\"-8.5\"><name>Last</name></wpt>\r\n";

QList<Document> documents() {
    QByteArray cr = gpx(kWaypoints);
    cr.replace("\r\n", "\r");
    QByteArray lateAmpersand = kWaypoints;
    lateAmpersand.replace("<name>Last</name>", "<name>Last & least</name>");
    QByteArray lateControl = kWaypoints;
    lateControl.replace("<name>B</name>", "<name>B\x01</name>");
    QByteArray cp1252 = kWaypoints;
    cp1252.replace("Z\xC3\xBCrich", "Z\xFCrich");
    QByteArray strayByte = kWaypoints;
    strayByte.replace("<name>Last</name>", "<name>L\xE4st</name>");
    const QByteArray nested =
        " <wpt lat=\"1\" lon=\"2\"><name>N</name><extensions>\r\n"
        "  <wpt lat=\"3\" lon=\"4\"><name>Inner</name></wpt></extensions></wpt>\r\n"
        " <wpt lat=\"5\" lon=\"6\"><name>M</name></wpt>\r\n";
    QByteArray prefixed =
        "<?xml version=\"1.0\"?>\n<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/0\" "
        "xmlns:gs=\"http://www.groundspeak.com/cache/1/0/1\">\n" +
        QByteArray(kWaypoints)
            .replace("wpt", "g:wpt")
            .replace("<name>", "<g:name>")
            .replace("</name>", "</g:name>") +
        "</g:gpx>\n";
    const QByteArray loc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<loc version=\"1.0\" src=\"t\">\n"
        "<waypoint><name id=\"GC1\"><![CDATA[One]]></name><coord lat=\"1\" "
        "lon=\"2\"/><type>Geocache</type></waypoint>\n"
        "<waypoint><name id=\"GC2\">Two</name></waypoint>\n"
        "<waypoint><name id=\"gc1\"><![CDATA[Again]]></name><coord lat=\"3\" lon=\"4\"/></waypoint>\n"
        "<waypoint>\n<name id=\"GC3\">Three</name>\n<coord lat=\"5\" lon=\"6\"/>\n"
        "<link text=\"d\">http://x/?a=1&amp;b=2</link></waypoint>\n"
        "<waypoint><name id=\"Gc1\">Third</name><coord lat=\"7\" lon=\"8\"/></waypoint>\n</loc>\n";
    const QByteArray csv =
        "Longitude,Latitude,Name,Description\r\n"
        "-0.1,51.5,\"GATSO: 30mph\",\"Rear, facing\"\r\n"
        "-0.2,51.6,Truvelo 2,\r\n"
        "1,2\r\n"
        "\r\n"
        "-0.3,51.7,gatso: 30MPH,again\r\n"
        "-0.4,951.7,Far,off\r\n"
        "-0.5,51.8,SPECS \xC3\xA9t\xC3\xA9,\"say \"\"hi\"\"\"\r\n";
    return {
        {"waypoints", gpx(kWaypoints), true},
        {"cr line ends", cr, true},
        {"byte-order mark, no declaration", "\xEF\xBB\xBF" + gpx(kWaypoints, "<?xml version=\"1.0\"?>"),
         true},
        {"late bare ampersand", gpx(lateAmpersand), false},
        {"late control character", gpx(lateControl), false},
        {"windows-1252, undeclared", gpx(cp1252, "<?xml version=\"1.0\"?>"), false},
        {"stray byte after UTF-8", gpx(strayByte, "<?xml version=\"1.0\"?>"), false},
        {"cut off", gpx(kWaypoints).chopped(8), false},
        {"after the document", gpx(kWaypoints) + "<wpt lat=\"1\" lon=\"1\"><name>After</name></wpt>\r\n",
         false},
        {"nested waypoint", gpx(nested), false},
        {"prefixed root", prefixed, true},
        {"document type", gpx(kWaypoints).replace("\r\n<gpx", "\r\n<!DOCTYPE gpx>\r\n<gpx"), false},
        {"loc", loc, true},
        {"csv", csv, true},
        {"csv, cr line ends, no header", QByteArray(csv).replace("\r\n", "\r").mid(36), true},
        {"csv, windows-1252", QByteArray(csv).replace("\xC3\xA9", "\xE9"), false},
        {"csv, byte-order mark", "\xEF\xBB\xBF" + csv, true},
        {"mxf",
         "42.4, -71.1, \"Light\", \"L\", \"Harbour\", 255, 37\n"
         "42.5, -71.2, \"light\", \"L2\", \"Again\", 255, 47\n"
         "x, y, \"Bad\", \"B\", \"\", 0, 0\n"
         "42.6, -71.3, \"Third\", \"T\", \"\", 0, 0\n",
         true},
    };
}

QString extensionOf(const char* name) {
    const QString n = QLatin1String(name);
    if (n.startsWith(QLatin1String("csv"))) {
        return QStringLiteral("csv");
    }
    return n == QLatin1String("loc") || n == QLatin1String("mxf") ? n : QStringLiteral("gpx");
}

class EveryCut : public testing::TestWithParam<Document> {};

TEST_P(EveryCut, ReadsAsOneThreadReadsIt) {
    const Document& d = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.") + extensionOf(d.name));
    ASSERT_TRUE(test::writeFile(path, d.bytes));
    const int read = expectAlikeInPieces({path});
    // Cut into pieces it was, unless it is one the pieces do not take.
    EXPECT_EQ(read > 0, QLatin1String(d.name) != QLatin1String("document type"));
    if (d.allInPieces) {
        int whole = 0;
        listing({path}, inPieces(1, 2, &whole));
        EXPECT_GT(whole, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, EveryCut, testing::ValuesIn(documents()),
                         [](const testing::TestParamInfo<Document>& info) {
                             std::string name = info.param.name;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

TEST(PiecesTest, EveryTestAndRealFileReadsAsOneThreadReadsIt) {
    QStringList files;
    for (const QString& root : {QStringLiteral(VINTREL_TEST_DATA), QStringLiteral(VINTREL_REAL_DATA)}) {
        QDirIterator it(
            root, {"*.gpx", "*.loc", "*.csv", "*.txt", "*.mxf", "*.gdb", "*.mps", "*.wiglecsv", "*.netxml"},
            QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            files.append(it.next());
        }
    }
    ASSERT_GT(files.size(), 40);
    for (const QString& f : files) {
        SCOPED_TRACE(f.toStdString());
        expectAlikeInPieces({f}, {1, 2, 5, 13, 40, 200, 1000});
    }
    // Files read one after another into one list: duplicates of earlier files' rows, marked.
    expectAlikeInPieces(
        {test::dataPath("case_names.loc"), test::dataPath("pocket_query.gpx"), test::dataPath("cameras.csv"),
         test::dataPath("marks.mxf"), test::dataPath("case_names.loc"), test::dataPath("cameras.csv")},
        {1, 3, 64});
}

TEST(PiecesTest, AnImportCancelledFromTheStartSaysSoAsOneThreadDoes) {
    for (const char* name : {"pocket_query.gpx", "cameras.csv"}) {
        const QStringList paths{test::dataPath(name), test::dataPath("marks.mxf")};
        EXPECT_EQ(listing(paths, inPieces(16, 2), true), listing(paths, oneThread(), true)) << name;
    }
}

}  // namespace
}  // namespace vintrel
