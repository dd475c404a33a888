#include "export/gpi_writer.h"

#include "export/atomic_save.h"
#include "formats/gpi/gpi_bitmap.h"
#include "formats/gpi/gpi_layout.h"
#include "model/file_names.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <deque>
#include <limits>
#include <vector>

#include <sys/stat.h>

namespace vintrel {

namespace {

using namespace gpi;

constexpr std::size_t kAreaPois = 128;

// What the rows read from one input file share.
struct SourceFile {
    QString path;
    QString category;
    quint16 speed = 0;  // of the "@NN" of the file's name
    int icon = -1;      // the bitmap of the BMP beside the file
    QString badName;    // the first name whose "@" tail is no speed, and how many there are
    int badNames = 0;
};

struct Poi {
    int row;
    qint32 lat;
    qint32 lon;
    quint16 speed;
    int icon;
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
        std::vector<QMultiHash<quint64, int>> placesOf;
        for (int r = 0; r < list_.rowCount(); ++r) {
            const WaypointRow& row = list_.row(r);
            auto src = sourceOf.constFind(row.sourceFile);
            if (src == sourceOf.constEnd()) {
                src = sourceOf.insert(row.sourceFile, static_cast<int>(sources_.size()));
                sources_.push_back(sourceFile(list_.sourceFile(row)));
            }
            SourceFile& source = sources_[static_cast<size_t>(*src)];
            const QAnyStringView own = row.cellView(column::kCategory);
            const QString name = own.isEmpty() ? source.category : own.toString();
            auto cat = categoryOf.constFind(name);
            if (cat == categoryOf.constEnd()) {
                cat = categoryOf.insert(name, static_cast<int>(categories_.size()));
                categories_.push_back({name, {}});
                placesOf.emplace_back();
            }
            Category& category = categories_[static_cast<size_t>(*cat)];
            Poi poi{r, semicircles(row.lat), semicircles(row.lon), speedOf(row, source), iconOf(row, source)};
            // The same name at the same place is one POI, however often the list holds it.
            QMultiHash<quint64, int>& places = placesOf[static_cast<size_t>(*cat)];
            const quint64 place =
                static_cast<quint32>(poi.lat) | static_cast<quint64>(static_cast<quint32>(poi.lon)) << 32;
            const QAnyStringView poiName = row.cellView(column::kName);
            bool repeated = false;
            for (auto it = places.constFind(place); it != places.constEnd() && it.key() == place && !repeated;
                 ++it) {
                repeated = QAnyStringView::equal(list_.row(*it).cellView(column::kName), poiName);
            }
            if (repeated) {
                ++repeated_;
                continue;
            }
            places.insert(place, r);
            category.pois.push_back(poi);
        }
    }

    // The whole file; `warnings` gets what is worth knowing about it.
    QByteArray build(const QString& path, const QDateTime& now, QStringList& warnings) {
        const quint16 codePage = chooseCodePage(path);
        QByteArray out;
        out.reserve(estimatedBytes());
        RecordFrame header(out, kFileHeader, false);
        out.append(kSignature);
        out.append("00");
        putU32(out, static_cast<quint32>(std::clamp<qint64>(now.toSecsSinceEpoch() - kEpochOffset, 0,
                                                            std::numeric_limits<quint32>::max())));
        putU16(out, 0);
        putShortText(out, encodeText(QFileInfo(path).fileName(), codePage));
        header.end();
        RecordFrame poiHeader(out, kPoiHeader, false);
        out.append(kPoiSignature);
        putU16(out, 0);
        out.append("00");
        putU16(out, codePage);
        putU16(out, 0);
        poiHeader.end();
        int cut = 0;
        int nameless = 0;
        for (Category& category : categories_) {
            RecordFrame group(out, kPoiGroup, true);
            cut += putText(out, category.name, codePage) ? 1 : 0;
            std::vector<int> icons;
            for (const auto& [begin, end] : areas(category.pois)) {
                RecordFrame area(out, kArea, true);
                qint32 north = std::numeric_limits<qint32>::min();
                qint32 east = north;
                qint32 south = std::numeric_limits<qint32>::max();
                qint32 west = south;
                bool alerts = false;
                for (auto p = begin; p != end; ++p) {
                    north = std::max(north, p->lat);
                    south = std::min(south, p->lat);
                    east = std::max(east, p->lon);
                    west = std::min(west, p->lon);
                    alerts = alerts || hasAlert(*p);
                }
                for (qint32 v : {north, east, south, west}) {
                    putI32(out, v);
                }
                out.append("\x00\x00\x00\x00\x01\x00", 6);
                out.append(alerts ? '\x01' : '\x00');
                area.mainDone();
                for (auto p = begin; p != end; ++p) {
                    const WaypointRow& row = list_.row(p->row);
                    RecordFrame poi(out, kPoi, true);
                    putI32(out, p->lat);
                    putI32(out, p->lon);
                    putU16(out, 1);
                    out.append(hasAlert(*p) ? '\x01' : '\x00');
                    const QAnyStringView name = row.cellView(column::kName);
                    nameless += name.isEmpty() ? 1 : 0;
                    cut +=
                        putText(out, name.isEmpty() ? QAnyStringView(category.name) : name, codePage) ? 1 : 0;
                    poi.mainDone();
                    putAlert(out, proximity(), p->speed);
                    if (p->icon >= 0) {
                        RecordFrame reference(out, kBitmapReference, false);
                        putU16(out, static_cast<quint16>(p->icon));
                        reference.end();
                        icons.push_back(p->icon);
                    }
                    const QAnyStringView comment = row.cellView(column::kDescription);
                    if (options_.includeDescription && !comment.isEmpty()) {
                        RecordFrame record(out, kComment, false);
                        cut += putText(out, comment, codePage) ? 1 : 0;
                        record.end();
                    }
                    poi.end();
                    ++written_;
                }
                area.end();
            }
            group.mainDone();
            std::sort(icons.begin(), icons.end());
            icons.erase(std::unique(icons.begin(), icons.end()), icons.end());
            for (int icon : icons) {
                putBitmap(out, static_cast<quint16>(icon), *images_[static_cast<size_t>(icon)]);
            }
            group.end();
        }
        putU16(out, kEnd);
        putU16(out, 0);
        putU32(out, 0);
        report(warnings, nameless, cut);
        return out;
    }

    int written() const { return written_; }

  private:
    using PoiRange = std::pair<std::vector<Poi>::iterator, std::vector<Poi>::iterator>;

    quint16 proximity() const {
        return static_cast<quint16>(
            std::clamp(options_.proximityMetres, 0, ExportOptions::kLargestProximity));
    }
    bool hasAlert(const Poi& poi) const { return poi.speed != 0 || proximity() != 0; }

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
        auto it = cameraIcons_.constFind(row.icon);
        if (it == cameraIcons_.constEnd()) {
            const Image* image = cameraImage(row.icon);
            it = cameraIcons_.insert(row.icon, image == nullptr ? -1 : static_cast<int>(images_.size()));
            if (image != nullptr) {
                images_.push_back(image);
            }
        }
        return *it;
    }

    // windows-1252 when every text of the file has its characters, else UTF-8.
    quint16 chooseCodePage(const QString& path) const {
        if (!fitsWindows1252(QFileInfo(path).fileName())) {
            return kUtf8;
        }
        for (const Category& category : categories_) {
            if (!fitsWindows1252(category.name)) {
                return kUtf8;
            }
            for (const Poi& poi : category.pois) {
                const WaypointRow& row = list_.row(poi.row);
                if (!fitsWindows1252(row.cellView(column::kName)) ||
                    (options_.includeDescription && !fitsWindows1252(row.cellView(column::kDescription)))) {
                    return kUtf8;
                }
            }
        }
        return kWindows1252;
    }

    qsizetype estimatedBytes() const {
        qsizetype bytes = 4096;
        for (const Category& category : categories_) {
            bytes += 2048 + static_cast<qsizetype>(category.pois.size()) * 96;
        }
        return bytes;
    }

    // The category's POIs cut into areas of at most kAreaPois: a range is halved across its longer
    // side until it is small enough; each area keeps the list's order.
    static std::vector<PoiRange> areas(std::vector<Poi>& pois) {
        std::vector<PoiRange> done;
        std::vector<PoiRange> open{{pois.begin(), pois.end()}};
        while (!open.empty()) {
            const auto [begin, end] = open.back();
            open.pop_back();
            if (static_cast<std::size_t>(end - begin) <= kAreaPois) {
                std::sort(begin, end, [](const Poi& a, const Poi& b) { return a.row < b.row; });
                done.emplace_back(begin, end);
                continue;
            }
            const auto [south, north] =
                std::minmax_element(begin, end, [](const Poi& a, const Poi& b) { return a.lat < b.lat; });
            const auto [west, east] =
                std::minmax_element(begin, end, [](const Poi& a, const Poi& b) { return a.lon < b.lon; });
            const bool acrossLatitude = qint64{north->lat} - south->lat >= qint64{east->lon} - west->lon;
            const auto middle = begin + (end - begin) / 2;
            std::nth_element(begin, middle, end, [acrossLatitude](const Poi& a, const Poi& b) {
                return acrossLatitude ? a.lat < b.lat : a.lon < b.lon;
            });
            // The northern or eastern half goes second, so the southern or western one is written
            // first.
            open.emplace_back(middle, end);
            open.emplace_back(begin, middle);
        }
        return done;
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
    QHash<IconRole, int> cameraIcons_;
    QStringList warnings_;
    int repeated_ = 0;
    int written_ = 0;
};

}  // namespace

WriteReport writeGpiFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    GpiFile file(list, context);
    file.collect();
    const QByteArray bytes =
        file.build(path, context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime(),
                   report.warnings);
    if (bytes.size() > std::numeric_limits<quint32>::max()) {
        report.warnings.clear();
        report.error = QStringLiteral("the list is too large for a POI file, which holds at most 4 GB");
        return report;
    }
    if (!saveAtomically(path, bytes, report.error)) {
        report.warnings.clear();
        return report;
    }
    report.written = true;
    report.recordCount = file.written();
    return report;
}

}  // namespace vintrel
