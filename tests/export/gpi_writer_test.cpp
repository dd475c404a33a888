// Garmin POI files: bytes spelled out from the layout, what gpsbabel reads back, what this program's
// own reader reads back, and the real camera lists of POI Loader users.
#include "export/gpi_writer.h"
#include "formats/gpi/gpi_layout.h"
#include "import/gpi_reader.h"
#include "import/import_driver.h"

#include "interop_support.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <tuple>

#include <gtest/gtest.h>

using namespace vintrel;
using namespace vintrel::test;

namespace {

int addRow(WaypointList& list, const QString& name, double lat, double lon, const QString& description = {},
           IconRole icon = IconRole::None) {
    WaypointDraft d;
    d.cell(column::kName) = name;
    d.cell(column::kDescription) = description;
    d.icon = icon;
    d.lat = lat;
    d.lon = lon;
    return list.appendWaypointRow(WaypointRow(d));
}

ExportContext contextWith(int proximity, gpi::SpeedUnit unit = gpi::SpeedUnit::Kmh) {
    static const FixedClock clock;
    ExportContext context;
    context.options.proximityMetres = proximity;
    context.options.speedUnit = unit;
    context.clock = &clock;
    return context;
}

QByteArray u32(quint32 value) {
    QByteArray b;
    gpi::putU32(b, value);
    return b;
}

// What a file holds, walked by the record frame.
struct Walked {
    struct Poi {
        QByteArray name;
        qint32 lat;
        qint32 lon;
        int proximity = -1;  // no alert
        quint16 speed = 0;
        int icon = -1;
    };
    struct Area {
        qint32 north, east, south, west;
        QList<Poi> pois;
    };
    struct Group {
        QByteArray name;
        QList<Area> areas;
        QList<int> bitmaps;
    };
    QList<Group> groups;
};

// Calls `f` with every record of `bytes`, one after the other.
template <class F>
void eachRecord(QByteArrayView bytes, F f) {
    for (qsizetype pos = 0; pos < bytes.size();) {
        const std::optional<gpi::Record> r = gpi::recordAt(bytes, pos);
        ASSERT_TRUE(r) << "at " << pos;
        f(*r);
        pos += ((r->flags & gpi::kHasMain) != 0 ? 12 : 8) + r->main.size() + r->nested.size();
    }
}

Walked walk(const QByteArray& file) {
    Walked w;
    eachRecord(file, [&w](const gpi::Record& r) {
        gpi::FieldReader f(r.main);
        if (r.type == gpi::kPoiGroup) {
            Walked::Group& group = w.groups.emplaceBack();
            group.name = f.text().toByteArray();
            eachRecord(r.main.sliced(f.position()), [&group](const gpi::Record& area) {
                gpi::FieldReader box(area.main);
                Walked::Area& out =
                    group.areas.emplaceBack(Walked::Area{box.i32(), box.i32(), box.i32(), box.i32(), {}});
                eachRecord(area.nested, [&out](const gpi::Record& poi) {
                    gpi::FieldReader fields(poi.main);
                    Walked::Poi& item = out.pois.emplaceBack();
                    item.lat = fields.i32();
                    item.lon = fields.i32();
                    fields.take(3);
                    item.name = fields.text().toByteArray();
                    eachRecord(poi.nested, [&item](const gpi::Record& inner) {
                        gpi::FieldReader v(inner.main);
                        if (inner.type == gpi::kAlert) {
                            item.proximity = v.u16();
                            item.speed = v.u16();
                        } else if (inner.type == gpi::kBitmapReference) {
                            item.icon = v.u16();
                        }
                    });
                });
            });
            eachRecord(r.nested, [&group](const gpi::Record& bitmap) {
                group.bitmaps.append(gpi::FieldReader(bitmap.main).u16());
            });
        }
    });
    return w;
}

QList<Walked::Poi> poisOf(const Walked::Group& group) {
    QList<Walked::Poi> all;
    for (const Walked::Area& a : group.areas) {
        all += a.pois;
    }
    return all;
}

}  // namespace

TEST(GpiWriter, OneCameraByteForByte) {
    QTemporaryDir dir;
    WaypointList list;
    addRow(list, "max@30", 51.5, -0.125, "A");
    const QString path = dir.filePath("one.gpi");
    const ExportContext context = contextWith(500);
    const WriteReport report = writeGpiFile(list, path, context);
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 1);
    const auto seconds = static_cast<quint32>(context.clock->localNow().toSecsSinceEpoch() - 631065600);
    const QByteArray expected =
        hex("00 00 00 00 17 00 00 00 47 52 4d 52 45 43 30 30") + u32(seconds) +     // file header, "GRMREC00"
        hex("00 00 07 00 6f 6e 65 2e 67 70 69"                                      // 0, "one.gpi"
            "01 00 00 00 0c 00 00 00 50 4f 49 00 00 00 30 30 e4 04 00 00"           // "POI", "00", 1252
            "09 00 08 00 7e 00 00 00 7e 00 00 00"                                   // the group: all main
            "0d 00 00 00 45 4e 09 00 57 61 79 70 6f 69 6e 74 73"                    // "Waypoints"
            "08 00 08 00 61 00 00 00 17 00 00 00"                                   // its one area
            "f5 49 9f 24 94 3e e9 ff f5 49 9f 24 94 3e e9 ff 00 00 00 00 01 00 01"  // N E S W, alerts
            "02 00 08 00 3e 00 00 00 19 00 00 00"                                   // the POI
            "f5 49 9f 24 94 3e e9 ff 01 00 01 0a 00 00 00 45 4e 06 00 6d 61 78 40 33 30"
            "03 00 00 00 0c 00 00 00 f4 01 41 03 00 01 10 00 01 01 05 10"  // 500 m, 30 km/h (833)
            "0a 00 00 00 09 00 00 00 05 00 00 00 45 4e 01 00 41"           // comment "A"
            "ff ff 00 00 00 00 00 00");
    EXPECT_EQ(readAll(path).toHex(' '), expected.toHex(' '));
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    const auto rows = readWithGpsbabel("garmin_gpi", path);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["Name"], "max@30");
    EXPECT_EQ(rows[0]["Description"], "A");
    EXPECT_EQ(rows[0]["Proximity"], "500");
    EXPECT_EQ(rows[0]["Latitude"], "51.500000");
    EXPECT_EQ(rows[0]["Longitude"], "-0.125000");

    // No alert at all: neither a proximity nor a speed.
    WaypointList plain;
    addRow(plain, "B", 0, 0);
    ASSERT_TRUE(writeGpiFile(plain, path, contextWith(0)).written);
    const QByteArray bytes = readAll(path);
    EXPECT_FALSE(bytes.contains(hex("03 00 00 00 0c 00 00 00")));
    EXPECT_TRUE(bytes.contains(hex("00 00 00 00 00 00 00 00 00 00 01 00 00 02 00 08 00")));  // flags 0
    // A proximity alone is an alert: the area says it holds alerts.
    ASSERT_TRUE(writeGpiFile(plain, path, contextWith(100)).written);
    EXPECT_TRUE(readAll(path).contains(hex("00 00 00 00 00 00 00 00 00 00 01 00 01 02 00 08 00")));
    // 128 POIs fit one area, 129 do not.
    for (int i = 1; i < 129; ++i) {
        addRow(plain, QString::number(i), i * 0.01, 0);
        ASSERT_TRUE(writeGpiFile(plain, path, contextWith(0)).written);
        EXPECT_EQ(walk(readAll(path)).groups.value(0).areas.size(), i < 128 ? 1 : 2) << i + 1;
    }
}

TEST(GpiWriter, CategoriesSpeedsAndIconsComeFromTheInputFiles) {
    QTemporaryDir dir;
    const auto file = [&dir](const QString& name, const QByteArray& bytes) {
        EXPECT_TRUE(writeFile(dir.filePath(name), bytes));
        return dir.filePath(name);
    };
    const QStringList inputs = {
        file("Cams.csv", "-0.1,51.5,\"GATSO: 30mph\",rear\n-0.2,51.6,max@30,\n-0.3,51.7,max@50kmh,\n"),
        file("FR_SPEED_CAMERA@130.csv", "2.0,48.0,130km/h,B\xc3\xa2le\n2.1,48.1,max@fast,\n"),
        file("Other.csv", "3.0,47.0,Redlight one,\n3.1,47.1,a@slow,\n3.2,47.2,b@,\n"),
    };
    file("Cams.bmp", QByteArray("BM", 2) + u32(58) + u32(0) + u32(54) + u32(40) + u32(1) + u32(1) +
                         hex("01 00 18 00") + QByteArray(24, '\0') + hex("00 00 ff 00"));
    WaypointList list;
    ImportContext importing{list, u'.'};
    importFiles(inputs, importing);
    ASSERT_EQ(list.rowCount(), 8);
    const QString out = dir.filePath("cams.gpi");
    const WriteReport report = writeGpiFile(list, out, contextWith(250, gpi::SpeedUnit::Mph));
    ASSERT_TRUE(report.written) << report.error.toStdString();
    EXPECT_EQ(report.recordCount, 8);
    EXPECT_EQ(
        report.warnings,
        (QStringList{"FR_SPEED_CAMERA@130.csv: \"max@fast\" ends in an \"@\" that no speed follows: it is a "
                     "name, and gives no speed alert.",
                     "Other.csv: \"a@slow\" and 1 more names end in an \"@\" that no speed follows: they are "
                     "names, and give no speed alert."}));

    const Walked w = walk(readAll(out));
    ASSERT_EQ(w.groups.size(), 3);
    EXPECT_EQ(w.groups[1].name, "FR_SPEED_CAMERA");  // the file's name without its speed
    const QList<Walked::Poi> cams = poisOf(w.groups[0]);
    const QList<Walked::Poi> fr = poisOf(w.groups[1]);
    const QList<Walked::Poi> other = poisOf(w.groups[2]);
    // Speeds: the run's unit (mph), a tail's own unit, the file name's, none for what is no speed.
    EXPECT_EQ(cams[0].speed, 0);
    EXPECT_EQ(cams[0].proximity, 250);  // an alert all the same, for its nearness
    EXPECT_EQ(cams[1].speed, gpi::speedField(30, gpi::SpeedUnit::Mph));
    EXPECT_EQ(cams[2].speed, gpi::speedField(50, gpi::SpeedUnit::Kmh));
    EXPECT_EQ(fr[0].speed, gpi::speedField(130, gpi::SpeedUnit::Mph));
    EXPECT_EQ(fr[1].speed, gpi::speedField(130, gpi::SpeedUnit::Mph));  // the file's, not the name's
    EXPECT_EQ(other[1].speed, 0);
    // Icons: the BMP beside Cams.csv for all of its POIs; the camera pictures elsewhere, each once
    // in the group that uses it; none for a name of no camera kind.
    EXPECT_EQ(w.groups[0].bitmaps, QList<int>{0});
    EXPECT_EQ(cams[2].icon, 0);
    EXPECT_EQ(fr[0].icon, -1);
    EXPECT_EQ(other[0].icon, 1);  // the red light
    EXPECT_EQ(other[1].icon, -1);
    EXPECT_EQ(w.groups[2].bitmaps, QList<int>{1});
}

TEST(GpiWriter, TextsAreWindows1252UnlessOneNeedsUtf8) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.gpi");
    WaypointList list;
    addRow(list, "Rue \u00e9", 1, 1, "\u20ac 5");
    ASSERT_TRUE(writeGpiFile(list, path, contextWith(300)).written);
    EXPECT_TRUE(readAll(path).contains(hex("50 4f 49 00 00 00 30 30 e4 04")));  // "POI", "00", 1252
    EXPECT_TRUE(readAll(path).contains(hex("45 4e 03 00 80 20 35")));           // the euro sign
    // One character outside the code page, in a description, makes the whole file UTF-8.
    addRow(list, "Snow", 2, 2, "\u2603");
    ASSERT_TRUE(writeGpiFile(list, path, contextWith(300)).written);
    EXPECT_TRUE(readAll(path).contains(hex("50 4f 49 00 00 00 30 30 e9 fd")));  // 65001
    EXPECT_TRUE(readAll(path).contains(hex("45 4e 06 00 52 75 65 20 c3 a9")));
}

TEST(GpiWriter, TheSameNameAtTheSamePlaceIsOnePoiAndEveryPoiHasAName) {
    QTemporaryDir dir;
    WaypointList list;
    addRow(list, "max@50", 48.5, 2.5, "one way");
    addRow(list, "max@50", 48.5, 2.5, "the other way");  // the same POI for a unit
    addRow(list, "max@50", 48.6, 2.5);
    addRow(list, "MAX@50", 48.5, 2.5);
    addRow(list, "", 48.7, 2.5);
    const QString path = dir.filePath("d.gpi");
    const WriteReport report = writeGpiFile(list, path, contextWith(300));
    ASSERT_TRUE(report.written);
    EXPECT_EQ(report.recordCount, 4);
    EXPECT_EQ(report.warnings,
              (QStringList{"1 row repeated the name and place of another and was written once.",
                           "1 POI without a name was given the name of its category."}));
    EXPECT_EQ(poisOf(walk(readAll(path)).groups.value(0)).value(3).name, "Waypoints");
}

TEST(GpiRoundTrip, TheReaderReadsBackEverythingAndAWriteOfItKeepsSpeedsAndCategories) {
    QTemporaryDir dir;
    WaypointList list;
    addRow(list, "max@30", 51.5, -0.125, "A \u00e9");
    addRow(list, "Plain", -33.5, 151.25);
    addRow(list, "fast@70mph", 0.0000001, -179.9999999, "far east", IconRole::Mobile);
    list.beginSourceFile(dir.filePath("Second@90.csv"));
    addRow(list, "Other", 10, 20, "", IconRole::Gatso);
    const QString first = dir.filePath("a.gpi");
    ASSERT_TRUE(writeGpiFile(list, first, contextWith(400)).written);

    WaypointList back;
    ImportContext context{back, u'.'};
    const ReadResult result = readGpiFile(first, context);
    EXPECT_TRUE(result.problems.isEmpty()) << result.problems.join('\n').toStdString();
    ASSERT_EQ(back.rowCount(), 4);
    const quint16 speeds[] = {833, 0, gpi::speedField(70, gpi::SpeedUnit::Mph),
                              gpi::speedField(90, gpi::SpeedUnit::Kmh)};
    const char* categories[] = {"Waypoints", "Waypoints", "Waypoints", "Second"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back.row(i).cell(column::kName), list.row(i).cell(column::kName));
        EXPECT_EQ(back.row(i).cell(column::kDescription), list.row(i).cell(column::kDescription));
        // A semicircle is 8.4e-8 degrees; the reader gives seven decimals.
        EXPECT_NEAR(back.row(i).lat, list.row(i).lat, 1.5e-7);
        EXPECT_NEAR(back.row(i).lon, list.row(i).lon, 1.5e-7);
        EXPECT_EQ(back.row(i).alertSpeed, speeds[i]) << i;
        EXPECT_EQ(back.row(i).cell(column::kCategory), categories[i]);
    }
    // Written again in another unit, the speeds and categories travel with the rows.
    const QString second = dir.filePath("b.gpi");
    ASSERT_TRUE(writeGpiFile(back, second, contextWith(400, gpi::SpeedUnit::Mph)).written);
    const Walked again = walk(readAll(second));
    ASSERT_EQ(again.groups.size(), 2);
    EXPECT_EQ(again.groups[1].name, "Second");
    const QList<Walked::Poi> pois = poisOf(again.groups[0]) + poisOf(again.groups[1]);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pois.value(i).speed, speeds[i]) << i;
    }
}

namespace {

// The cameras of a POI Loader list as rows, one per line, whatever a reader's rule on repeated
// names: longitude, latitude, "name", "description".
void addLines(WaypointList& list, const QString& path) {
    for (const QByteArray& line : readAll(path).split('\n')) {
        const QList<QByteArray> parts = line.split('"');
        if (parts.size() < 4) {
            continue;
        }
        const QList<QByteArray> position = parts[0].split(',');
        addRow(list, QString::fromUtf8(parts[1]), position[1].trimmed().toDouble(),
               position[0].trimmed().toDouble(), QString::fromUtf8(parts[3]));
    }
}

}  // namespace

TEST(GpiRealLists, EveryCameraOfAPoiLoaderListArrivesWithItsSpeedAndIcon) {
    QTemporaryDir dir;
    // GATSO_50.csv: 301 cameras, every one "max@50", with its icon beside it.
    for (const char* name : {"GATSO_50.csv", "GATSO_50.bmp", "FR_SPEED_CAMERA@130.csv"}) {
        ASSERT_TRUE(QFile::copy(dataPath("real/cameras/") + name, dir.filePath(name)));
    }
    WaypointList list;
    list.beginSourceFile(dir.filePath("GATSO_50.csv"));
    addLines(list, dir.filePath("GATSO_50.csv"));
    list.beginSourceFile(dir.filePath("FR_SPEED_CAMERA@130.csv"));
    addLines(list, dir.filePath("FR_SPEED_CAMERA@130.csv"));
    ASSERT_EQ(list.rowCount(), 301 + 131);
    const QString out = dir.filePath("fr.gpi");
    const WriteReport report = writeGpiFile(list, out, contextWith(300));
    ASSERT_TRUE(report.written) << report.error.toStdString();
    // Cameras at one place under one name (both ways of one road) are one POI on the unit: 3 in
    // GATSO_50.csv, 1 in the other.
    EXPECT_EQ(report.recordCount, 298 + 130);
    const Walked w = walk(readAll(out));
    ASSERT_EQ(w.groups.size(), 2);
    EXPECT_EQ(w.groups[0].bitmaps, QList<int>{0});
    EXPECT_EQ(poisOf(w.groups[0]).size(), 298);
    for (const Walked::Poi& p : poisOf(w.groups[0])) {
        EXPECT_EQ(std::tie(p.name, p.speed, p.icon), std::tuple(QByteArray("max@50"), quint16(1389), 0));
    }
    for (const Walked::Poi& p : poisOf(w.groups[1])) {
        EXPECT_EQ(std::tie(p.name, p.speed, p.icon), std::tuple(QByteArray("130km/h"), quint16(3611), -1));
    }
    // Areas hold at most 128 POIs, each in the tightest box around them.
    for (const Walked::Group& g : w.groups) {
        for (const Walked::Area& a : g.areas) {
            EXPECT_LE(a.pois.size(), 128);
            qint32 north = a.pois.value(0).lat, south = north, east = a.pois.value(0).lon, west = east;
            for (const Walked::Poi& p : a.pois) {
                north = std::max(north, p.lat);
                south = std::min(south, p.lat);
                east = std::max(east, p.lon);
                west = std::min(west, p.lon);
            }
            EXPECT_EQ(std::tie(a.north, a.east, a.south, a.west), std::tie(north, east, south, west));
        }
    }
    ASSERT_TRUE(toolInstalled("gpsbabel"));
    const auto rows = readWithGpsbabel("garmin_gpi", out);
    ASSERT_EQ(rows.size(), report.recordCount);
    EXPECT_EQ(rows.last()["Name"], "130km/h@130");
}
