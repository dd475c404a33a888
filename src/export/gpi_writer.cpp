#include "export/gpi_writer.h"

#include "base/huge_pages.h"
#include "export/atomic_save.h"
#include "export/gpi_areas.h"
#include "formats/gpi/gpi_bitmap.h"
#include "formats/gpi/gpi_layout.h"
#include "formats/gpi/gpi_poi.h"
#include "formats/text/cp1252_text.h"
#include "model/file_names.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <deque>
#include <limits>
#include <vector>

#include <sys/stat.h>

namespace vintrel {

namespace {

using namespace gpi;

// The bitmaps one file may number (a POI refers to its icon by a number).
constexpr std::size_t kMostIcons = 0x7FFF;

// What the rows read from one input file share.
struct SourceFile {
    QString path;
    QString category;
    quint16 speed = 0;  // of the "@NN" of the file's name
    int icon = -1;      // the bitmap of the BMP beside the file
    QString badName;    // the first name whose "@" tail is no speed, and how many there are
    int badNames = 0;
    int categoryIndex = -1;  // of the category named after the file
};

struct Poi {
    int row;
    qint32 lat;
    qint32 lon;
    quint16 speed;
    qint16 icon;
    qint32 size = 0;       // of its record
    qsizetype offset = 0;  // of its record among the encoded ones

    quint64 place() const {
        return static_cast<quint64>(static_cast<quint32>(lat)) << 32 | static_cast<quint32>(lon);
    }
};

struct Category {
    QString name;
    std::vector<Poi> pois;
};

// A name as a message quotes it.
QString quoted(const QString& text) {
    constexpr qsizetype kLongest = 40;
    return u'"' + (text.size() <= kLongest ? text : text.first(kLongest) + QChar(0x2026)) + u'"';
}

class GpiFile {
  public:
    GpiFile(const WaypointList& list, const ExportContext& context)
        : list_(list), options_(context.options) {}

    void collect() {
        QHash<QString, int> categoryOf;
        QHash<quint32, int> sourceOf;
        const auto categoryNamed = [this, &categoryOf](const QString& name) {
            auto it = categoryOf.constFind(name);
            if (it == categoryOf.constEnd()) {
                it = categoryOf.insert(name, static_cast<int>(categories_.size()));
                categories_.push_back({name, {}});
                if (categories_.size() == 1) {
                    categories_.back().pois.reserve(
                        static_cast<std::size_t>(list_.rowCount()));  // most lists
                }
            }
            return *it;
        };
        // Rows come file by file: the file and category of the row before are nearly always this
        // row's too.
        quint32 lastFile = 0;
        int source = -1;
        for (int r = 0; r < list_.rowCount(); ++r) {
            const WaypointRow& row = list_.row(r);
            if (source < 0 || row.sourceFile != lastFile) {
                auto it = sourceOf.constFind(row.sourceFile);
                if (it == sourceOf.constEnd()) {
                    it = sourceOf.insert(row.sourceFile, static_cast<int>(sources_.size()));
                    sources_.push_back(sourceFile(list_.sourceFile(row)));
                }
                source = *it;
                lastFile = row.sourceFile;
            }
            SourceFile& file = sources_[static_cast<size_t>(source)];
            const QAnyStringView own = row.cellView(column::kCategory);
            int category = file.categoryIndex;
            if (!own.isEmpty()) {
                category = categoryNamed(own.toString());
            } else if (category < 0) {
                category = file.categoryIndex = categoryNamed(file.category);
            }
            categories_[static_cast<size_t>(category)].pois.push_back(
                {r, semicircles(row.lat), semicircles(row.lon), speedOf(row, file),
                 static_cast<qint16>(iconOf(row, file))});
            // What the code page depends on, while the row is at hand.
            const QAnyStringView name = row.cellView(column::kName);
            const QAnyStringView comment =
                options_.includeDescription ? row.cellView(column::kDescription) : QAnyStringView();
            fitsWindows1252_ = fitsWindows1252_ && fitsWindows1252(name) && fitsWindows1252(comment);
        }
        for (Category& category : categories_) {
            dropRepeated(category.pois);
        }
    }

    // Writes the whole file to `out`; false with the reason in `error`. `warnings` gets what is worth
    // knowing about it.
    bool write(ChunkedOutput& out, const QString& path, const QDateTime& now, QStringList& warnings,
               QString& error) {
        const quint16 codePage = chooseCodePage(path);
        int cut = 0;
        int nameless = 0;
        encodePois(codePage, cut, nameless);
        QByteArray& b = out.buffer();
        RecordFrame header(b, kFileHeader, false);
        b.append(kSignature);
        b.append("00");
        putU32(b, static_cast<quint32>(std::clamp<qint64>(now.toSecsSinceEpoch() - kEpochOffset, 0,
                                                          std::numeric_limits<quint32>::max())));
        putU16(b, 0);
        putShortText(b, encodeText(QFileInfo(path).fileName(), codePage));
        header.end();
        RecordFrame poiHeader(b, kPoiHeader, false);
        b.append(kPoiSignature);
        putU16(b, 0);
        b.append("00");
        putU16(b, codePage);
        putU16(b, 0);
        poiHeader.end();
        for (const Category& category : categories_) {
            if (!putGroup(out, category, codePage, cut, error)) {
                return false;
            }
        }
        putU16(b, kEnd);
        putU16(b, 0);
        putU32(b, 0);
        report(warnings, nameless, cut);
        return true;
    }

    int written() const { return written_; }

  private:
    static constexpr qint64 kAreaMain = 23;  // the box, six bytes always the same and the alert flag

    // Every POI's record, in the list's order; each POI learns where its record is. The records are
    // put together area by area later: areas take the rows in the order of their places, which a
    // large list would pay for on every row. They are kept in a large block (huge pages where the
    // system has them), which that gathering feels on every record too.
    void encodePois(quint16 codePage, int& cut, int& nameless) {
        const auto fieldsOf = [this](const Category& category, const Poi& poi) {
            const WaypointRow& row = list_.row(poi.row);
            const QAnyStringView name = row.cellView(column::kName);
            const QAnyStringView comment =
                options_.includeDescription ? row.cellView(column::kDescription) : QAnyStringView();
            return PoiFields{poi.lat, poi.lon,     name.isEmpty() ? QAnyStringView(category.name) : name,
                             comment, proximity(), poi.speed,
                             poi.icon};
        };
        qsizetype room = 0;
        for (const Category& category : categories_) {
            for (const Poi& poi : category.pois) {
                room += poiRoom(fieldsOf(category, poi), codePage);
            }
        }
        records_.allocate(static_cast<std::size_t>(room));
        char* p = records_.data;
        for (Category& category : categories_) {
            for (Poi& poi : category.pois) {
                nameless += list_.row(poi.row).cellView(column::kName).isEmpty() ? 1 : 0;
                poi.offset = p - records_.data;
                p = putPoi(p, fieldsOf(category, poi), codePage, cut);
                poi.size = static_cast<qint32>(p - records_.data - poi.offset);
            }
        }
    }

    // The block the records are kept in.
    struct Block {
        char* data = nullptr;
        std::size_t bytes = 0;
        Block() = default;
        Block(const Block&) = delete;
        Block& operator=(const Block&) = delete;
        ~Block() {
            if (data != nullptr) {
                freeLargeBlock(data, bytes);
            }
        }
        void allocate(std::size_t size) {
            bytes = std::max<std::size_t>(size, 1);
            data = static_cast<char*>(allocateLargeBlock(bytes));
        }
    };

    // A POI group: the category's name, its areas and the bitmaps its POIs show. The lengths of the
    // group and its areas are known before a byte of them is written, so the file goes out in pieces
    // while it is made.
    bool putGroup(ChunkedOutput& out, const Category& category, quint16 codePage, int& cut, QString& error) {
        QByteArray& b = out.buffer();
        QByteArray name;
        cut += putText(name, category.name, codePage) ? 1 : 0;
        std::vector<AreaSpot> places(category.pois.size());
        for (std::size_t i = 0; i < places.size(); ++i) {
            places[i] = {category.pois[i].lat, category.pois[i].lon, static_cast<quint32>(i)};
        }
        const Areas areas = cutAreas(std::move(places));
        // Each area's box, length and alert flag, and the icons the group shows, in one pass.
        struct AreaHead {
            qint32 north = std::numeric_limits<qint32>::min();
            qint32 east = std::numeric_limits<qint32>::min();
            qint32 south = std::numeric_limits<qint32>::max();
            qint32 west = std::numeric_limits<qint32>::max();
            qint64 bytes = kAreaMain;
            bool alerts = false;
        };
        std::vector<AreaHead> heads(areas.ranges.size());
        std::vector<char> shown(images_.size());
        qint64 main = name.size();
        for (std::size_t a = 0; a < heads.size(); ++a) {
            AreaHead& head = heads[a];
            for (std::size_t k = areas.ranges[a].first; k < areas.ranges[a].second; ++k) {
                const AreaSpot& spot = areas.spots[k];
                const Poi& p = category.pois[spot.index];
                head.north = std::max(head.north, spot.lat);
                head.south = std::min(head.south, spot.lat);
                head.east = std::max(head.east, spot.lon);
                head.west = std::min(head.west, spot.lon);
                head.bytes += p.size;
                head.alerts = head.alerts || hasAlert(p);
                if (p.icon >= 0) {
                    shown[static_cast<std::size_t>(p.icon)] = 1;
                }
            }
            main += 12 + head.bytes;
        }
        QByteArray bitmaps;
        for (std::size_t icon = 0; icon < shown.size(); ++icon) {
            if (shown[icon] != 0) {
                putBitmap(bitmaps, static_cast<quint16>(icon), *images_[icon]);
            }
        }
        if (main + bitmaps.size() > std::numeric_limits<quint32>::max()) {
            error = QStringLiteral(
                        "the category \"%1\" is too large for a POI file, which holds at most 4 GB "
                        "in one category")
                        .arg(category.name);
            return false;
        }
        putRecordHeader(b, kPoiGroup, main + bitmaps.size(), main);
        b.append(name);
        for (std::size_t a = 0; a < heads.size(); ++a) {
            const AreaHead& head = heads[a];
            putRecordHeader(b, kArea, head.bytes, kAreaMain);
            for (qint32 v : {head.north, head.east, head.south, head.west}) {
                putI32(b, v);
            }
            b.append("\x00\x00\x00\x00\x01\x00", 6);
            b.append(head.alerts ? '\x01' : '\x00');
            for (std::size_t k = areas.ranges[a].first; k < areas.ranges[a].second; ++k) {
                const Poi& p = category.pois[areas.spots[k].index];
                b.append(records_.data + p.offset, p.size);
            }
            written_ += static_cast<int>(areas.ranges[a].second - areas.ranges[a].first);
            if (!out.flushIfFull(error)) {
                return false;
            }
        }
        b.append(bitmaps);
        return out.flushIfFull(error);
    }

    static void putRecordHeader(QByteArray& out, quint16 type, qint64 length, qint64 main) {
        putU16(out, type);
        putU16(out, kHasMain);
        putU32(out, static_cast<quint32>(length));
        putU32(out, static_cast<quint32>(main));
    }

    quint16 proximity() const {
        return static_cast<quint16>(
            std::clamp(options_.proximityMetres, 0, ExportOptions::kLargestProximity));
    }
    bool hasAlert(const Poi& poi) const { return poi.speed != 0 || proximity() != 0; }

    // The same name at the same place is one POI, however often the list holds it: the first stays.
    // The places are kept in a table of their own (open addressing), so a list of a million
    // cameras is one pass.
    void dropRepeated(std::vector<Poi>& pois) {
        std::size_t slots = 16;
        while (slots < 2 * pois.size()) {
            slots *= 2;
        }
        std::vector<qint32> table(slots, -1);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < pois.size(); ++i) {
            const quint64 place = pois[i].place();
            std::size_t slot = (place * 0x9E3779B97F4A7C15ull) >> 32 & (slots - 1);
            bool repeated = false;
            for (; table[slot] >= 0 && !repeated; slot = (slot + 1) & (slots - 1)) {
                const Poi& other = pois[static_cast<std::size_t>(table[slot])];
                repeated = other.place() == place && QAnyStringView::equal(nameOf(other), nameOf(pois[i]));
            }
            if (repeated) {
                ++repeated_;
                continue;
            }
            pois[kept] = pois[i];
            table[slot] = static_cast<qint32>(kept++);
        }
        pois.resize(kept);
    }

    QAnyStringView nameOf(const Poi& poi) const { return list_.row(poi.row).cellView(column::kName); }

    SourceFile sourceFile(const QString& path) {
        SourceFile source;
        source.path = path;
        if (path.isEmpty()) {
            source.category = QStringLiteral("Waypoints");
            return source;
        }
        const QString base = QFileInfo(path).completeBaseName();
        source.category = base;
        const SpeedTail tail = speedTail(base);
        if (tail.kind == SpeedTail::Speed && tail.at > 0) {
            source.category = base.first(tail.at);
            source.speed = speedField(tail.value, tail.unit.value_or(options_.speedUnit));
        } else if (tail.kind == SpeedTail::NotASpeed) {
            warnings_.append(
                QStringLiteral("%1: the name's \"@%2\" is no speed; its POIs get no speed from it.")
                    .arg(displayFileName(path), base.sliced(tail.at + 1)));
        }
        source.icon = iconBeside(path);
        return source;
    }

    // The bitmap of the BMP with the input file's name, or -1.
    int iconBeside(const QString& path) {
        const qsizetype slash = path.lastIndexOf(u'/');
        const qsizetype dot = path.lastIndexOf(u'.');
        const QString stem = dot > slash + 1 ? path.first(dot) : path;
        for (const QString& bmp : {stem + QStringLiteral(".bmp"), stem + QStringLiteral(".BMP")}) {
            struct stat st {};
            if (::stat(fileNameBytes(bmp).constData(), &st) != 0) {
                continue;
            }
            const QString problem =
                QStringLiteral("%1: the icon %2; the POIs of %3 were written without it.");
            if (!S_ISREG(st.st_mode)) {
                warnings_.append(problem.arg(displayFileName(bmp), QStringLiteral("is not a file"),
                                             displayFileName(QFileInfo(path).fileName())));
                return -1;
            }
            QString why;
            QFile file;
            std::optional<Image> image;
            if (st.st_size > kLargestBmpFile) {
                why = QStringLiteral("is larger than %1 kB").arg(kLargestBmpFile / 1024);
            } else if (!openForReading(file, bmp, why)) {
                why = QStringLiteral("cannot be read: ") + why;
            } else {
                image = imageFromBmp(file.read(kLargestBmpFile), why);
            }
            if (!image) {
                warnings_.append(
                    problem.arg(displayFileName(bmp), why, displayFileName(QFileInfo(path).fileName())));
                return -1;
            }
            if (images_.size() >= kMostIcons) {
                return -1;
            }
            owned_.push_back(*image);
            images_.push_back(&owned_.back());
            return static_cast<int>(images_.size()) - 1;
        }
        return -1;
    }

    quint16 speedOf(const WaypointRow& row, SourceFile& source) {
        if (row.alertSpeed != 0) {
            return row.alertSpeed;
        }
        const QAnyStringView name = row.cellView(column::kName);
        const SpeedTail tail = speedTail(name);
        if (tail.kind == SpeedTail::Speed) {
            return speedField(tail.value, tail.unit.value_or(options_.speedUnit));
        }
        if (tail.kind == SpeedTail::NotASpeed && source.badNames++ == 0) {
            source.badName = name.toString();
        }
        return source.speed;
    }

    int iconOf(const WaypointRow& row, const SourceFile& source) {
        if (source.icon >= 0) {
            return source.icon;
        }
        int& icon = cameraIcons_[static_cast<size_t>(row.icon)];
        if (icon == kNotLooked) {
            const Image* image = images_.size() < kMostIcons ? cameraImage(row.icon) : nullptr;
            icon = image == nullptr ? -1 : static_cast<int>(images_.size());
            if (image != nullptr) {
                images_.push_back(image);
            }
        }
        return icon;
    }

    // windows-1252 when every text of the file has its characters, else UTF-8.
    quint16 chooseCodePage(const QString& path) const {
        bool fits = fitsWindows1252_ && fitsWindows1252(QFileInfo(path).fileName());
        for (const Category& category : categories_) {
            fits = fits && fitsWindows1252(category.name);
        }
        return fits ? kWindows1252 : kUtf8;
    }

    void report(QStringList& warnings, int nameless, int cut) const {
        warnings = warnings_;
        for (const SourceFile& source : sources_) {
            if (source.badNames == 0) {
                continue;
            }
            const QString file = source.path.isEmpty() ? QStringLiteral("The list")
                                                       : displayFileName(QFileInfo(source.path).fileName());
            warnings.append(
                source.badNames == 1
                    ? QStringLiteral(
                          "%1: %2 ends in an \"@\" that no speed follows: it is a name, and gives no "
                          "speed alert.")
                          .arg(file, quoted(source.badName))
                    : QStringLiteral(
                          "%1: %2 and %3 more names end in an \"@\" that no speed follows: they are "
                          "names, and give no speed alert.")
                          .arg(file, quoted(source.badName))
                          .arg(source.badNames - 1));
        }
        if (repeated_ > 0) {
            warnings.append(
                repeated_ == 1
                    ? QStringLiteral("1 row repeated the name and place of another and was written once.")
                    : QStringLiteral("%1 rows repeated the name and place of another and were written "
                                     "once each.")
                          .arg(repeated_));
        }
        if (nameless > 0) {
            warnings.append(
                QStringLiteral("%1 without a name %2 the name of %3 category.")
                    .arg(nameless == 1 ? QStringLiteral("1 POI") : QStringLiteral("%1 POIs").arg(nameless),
                         nameless == 1 ? QStringLiteral("was given") : QStringLiteral("were given"),
                         nameless == 1 ? QStringLiteral("its") : QStringLiteral("their")));
        }
        if (cut > 0) {
            warnings.append(
                QStringLiteral("%1 longer than %2 bytes cut to that length.")
                    .arg(cut == 1 ? QStringLiteral("1 text was") : QStringLiteral("%1 texts were").arg(cut))
                    .arg(kLongestText));
        }
    }

    const WaypointList& list_;
    const ExportOptions& options_;
    std::vector<SourceFile> sources_;
    std::vector<Category> categories_;
    std::deque<Image> owned_;
    std::vector<const Image*> images_;  // by bitmap number
    static constexpr int kNotLooked = -2;
    std::array<int, 256> cameraIcons_ = [] {
        std::array<int, 256> icons{};
        icons.fill(kNotLooked);
        return icons;
    }();  // the bitmap of each row kind's picture
    QStringList warnings_;
    int repeated_ = 0;
    int written_ = 0;
    Block records_;                // the POIs' records
    bool fitsWindows1252_ = true;  // every name and comment of the list
};

}  // namespace

WriteReport writeGpiFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    GpiFile file(list, context);
    file.collect();
    ChunkedOutput out(path);
    QStringList warnings;
    if (!out.open(report.error) ||
        !file.write(out, path,
                    context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime(),
                    warnings, report.error) ||
        !out.commit(report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = file.written();
    report.warnings = warnings;
    return report;
}

}  // namespace vintrel
