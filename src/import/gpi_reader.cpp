#include "import/gpi_reader.h"

#include "formats/gpi/gpi_layout.h"
#include "formats/text/cp1252_text.h"
#include "import/reader_support.h"
#include "import/xml/xml_repair.h"
#include "model/file_names.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>

namespace vintrel {

namespace {

using namespace gpi;

// Areas inside areas are followed this deep; deeper nesting is taken for damage.
constexpr int kDeepestNesting = 16;

class GpiRows {
  public:
    GpiRows(ImportContext& context, ReadResult& result, ProblemLog& log)
        : context_(context), result_(result), log_(log) {}

    // Reads the whole file; false when it was not read to its end (the log says why).
    bool read(QByteArrayView file) {
        file_ = file;
        const std::optional<Record> header = recordAt(file, 0);
        if (!header || header->type != kFileHeader || !header->main.startsWith(kSignature)) {
            log_.stoppedEarly(0, QStringLiteral("is not a Garmin POI file"));
            return false;
        }
        result_.documentFound = true;
        qsizetype pos = header->offset + recordSize(*header);
        const std::optional<Record> poiHeader = recordAt(file, pos);
        FieldReader fields(poiHeader ? poiHeader->main : QByteArrayView());
        const bool poi = fields.take(4) == kPoiSignature;
        fields.take(4);
        const quint16 codePage = fields.u16();
        if (!poiHeader || poiHeader->type != kPoiHeader || !poi || !fields.ok()) {
            log_.stoppedEarly(0,
                              QStringLiteral("is encrypted or of a kind Vintrel does not read: it has no POI "
                                             "header after its file header"));
            return false;
        }
        if (!chooseDecoding(codePage)) {
            log_.stoppedEarly(0, QStringLiteral("has its texts in code page %1, which Vintrel does not read; "
                                                "a number that is no code page means the file is encrypted")
                                     .arg(codePage));
            return false;
        }
        pos += recordSize(*poiHeader);
        while (pos < file.size()) {
            std::optional<Record> record = recordAt(file, pos);
            if (!record) {
                // A group cut short still gives the POIs before the cut.
                record = recordAt(file, pos, 0, true);
                if (record && record->type == kPoiGroup && group(*record)) {
                    return damaged(file.size());
                }
                return record && record->type == kPoiGroup ? false : damaged(pos);
            }
            if (record->type == kEnd) {
                return true;
            }
            if (record->type == kPoiGroup && !group(*record)) {
                return false;
            }
            pos += recordSize(*record);
        }
        log_.stoppedEarly(0, QStringLiteral("is cut short: its end record is missing") + readBefore());
        return false;
    }

    void report() {
        if (outside_ > 0) {
            log_.skippedTogether(outside_,
                                 QStringLiteral("%1 skipped for a latitude outside ±90.")
                                     .arg(outside_ == 1 ? QStringLiteral("1 POI was")
                                                        : QStringLiteral("%1 POIs were").arg(outside_)));
        }
    }

  private:
    static qsizetype recordSize(const Record& record) {
        return ((record.flags & kHasMain) != 0 ? 12 : 8) + record.main.size() + record.nested.size();
    }

    qsizetype offsetOf(QByteArrayView part) const { return part.data() - file_.data(); }

    QString readBefore() const {
        return result_.appended > 0 ? QStringLiteral("; the POIs before it were read") : QString();
    }

    bool damaged(qsizetype offset) {
        log_.stoppedEarly(0, QStringLiteral("is damaged or cut short at byte %1").arg(offset) + readBefore());
        return false;
    }

    bool chooseDecoding(quint16 codePage) {
        if (codePage == kWindows1252 || codePage == kUtf8) {
            codePage_ = codePage;
            return true;
        }
        // The other Windows code pages of POI files (Central European, Cyrillic, Greek, ...).
        if (codePage >= 1250 && codePage <= 1258) {
            if (const auto table = singleByteTable("CP" + std::to_string(codePage))) {
                table_ = *table;
                codePage_ = codePage;
                return true;
            }
        }
        return false;
    }

    // A text of the file as a cell: line breaks and tabs become spaces, blanks at both ends go.
    QString cell(QByteArrayView bytes) const {
        if (codePage_ == kUtf8) {
            return fieldText(std::string_view(bytes.data(), static_cast<size_t>(bytes.size())));
        }
        QString text;
        if (codePage_ == kWindows1252) {
            text = fromCp1252(bytes);
        } else {
            text.reserve(bytes.size());
            for (char b : bytes) {
                const char32_t c = table_[static_cast<quint8>(b)];
                text.append(QStringView(QChar::fromUcs4(c)));
            }
        }
        const bool plain =
            std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20; }) &&
            (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()));
        return plain ? text : fieldText(text.toStdString());
    }

    bool group(const Record& record) {
        FieldReader fields(record.main);
        const QString name = cell(fields.text());
        if (!fields.ok()) {
            return damaged(record.offset);
        }
        // The categories the group's POIs may refer to, by number.
        categories_.clear();
        for (qsizetype pos = 0; pos < record.nested.size();) {
            const std::optional<Record> nested = recordAt(record.nested, pos, offsetOf(record.nested));
            if (!nested) {
                return damaged(offsetOf(record.nested) + pos);
            }
            if (nested->type == kCategory) {
                FieldReader category(nested->main);
                const quint16 number = category.u16();
                const QString categoryName = cell(category.text());
                if (category.ok()) {
                    categories_.insert(number, categoryName);
                }
            }
            pos += recordSize(*nested);
        }
        groupName_ = name;
        return records(record.main.sliced(fields.position()), 0);
    }

    // The areas and POIs in `bytes`.
    bool records(QByteArrayView bytes, int depth) {
        if (depth > kDeepestNesting) {
            return damaged(offsetOf(bytes));
        }
        for (qsizetype pos = 0; pos < bytes.size();) {
            std::optional<Record> record = recordAt(bytes, pos, offsetOf(bytes));
            if (!record) {
                // An area cut short still gives the POIs before the cut.
                record = recordAt(bytes, pos, offsetOf(bytes), true);
                if (record && record->type == kArea && records(record->nested, depth + 1)) {
                    return damaged(offsetOf(bytes) + bytes.size());
                }
                return record && record->type == kArea ? false : damaged(offsetOf(bytes) + pos);
            }
            if (record->type == kArea && !records(record->nested, depth + 1)) {
                return false;
            }
            if (record->type == kPoi && !poi(*record)) {
                return false;
            }
            pos += recordSize(*record);
        }
        return true;
    }

    bool poi(const Record& record) {
        if (context_.progress != nullptr && context_.progress->cancelled()) {
            log_.stoppedEarly(0, QStringLiteral("was read only in part: the reading was stopped"));
            return false;
        }
        FieldReader fields(record.main);
        const qint32 lat = fields.i32();
        const qint32 lon = fields.i32();
        fields.take(3);
        WaypointDraft row;
        row.cell(column::kName) = cell(fields.text());
        if (!fields.ok()) {
            return damaged(record.offset);
        }
        quint16 speed = 0;
        QString description;
        row.cell(column::kCategory) = groupName_;
        for (qsizetype pos = 0; pos < record.nested.size();) {
            const std::optional<Record> nested = recordAt(record.nested, pos, offsetOf(record.nested));
            if (!nested) {
                return damaged(offsetOf(record.nested) + pos);
            }
            FieldReader part(nested->main);
            if (nested->type == kAlert) {
                part.u16();
                speed = part.u16();
            } else if (nested->type == kComment) {
                row.cell(column::kDescription) = cell(part.text());
            } else if (nested->type == kDescription) {
                part.u8();
                description = cell(part.text());
            } else if (nested->type == kCategoryReference) {
                const auto category = categories_.constFind(part.u16());
                if (part.ok() && category != categories_.constEnd()) {
                    row.cell(column::kCategory) = *category;
                }
            }
            if (!part.ok()) {
                return damaged(nested->offset);
            }
            pos += recordSize(*nested);
        }
        if (row.cell(column::kDescription).isEmpty()) {
            row.cell(column::kDescription) = description;
        }
        // To seven decimals, finer than a semicircle: a position written from 2.0 degrees reads as 2.
        const double latitude = std::round(degreesOf(lat) * 1e7) / 1e7;
        const double longitude = std::round(degreesOf(lon) * 1e7) / 1e7;
        if (latitude < -90 || latitude > 90) {
            ++outside_;
            return true;
        }
        row.icon = speed != 0 ? IconRole::Gatso : IconRole::None;
        setPositionCells(row, Position{latitude, longitude}, MinutesRule::Cut, context_.decimalSeparator, 7);
        // A POI file holds repeated names (cameras named by their limit): every POI is a row.
        WaypointRow listed(row);
        listed.alertSpeed = speed;
        context_.list.appendWaypointRow(listed);
        ++result_.appended;
        return true;
    }

    ImportContext& context_;
    ReadResult& result_;
    ProblemLog& log_;
    QByteArrayView file_;
    quint16 codePage_ = kWindows1252;
    std::array<char32_t, 256> table_{};
    QString groupName_;
    QHash<quint16, QString> categories_;
    int outside_ = 0;
};

}  // namespace

ReadResult readGpiFile(const QString& path, ImportContext& context) {
    ReadResult result;
    ProblemLog log(result, path);
    const QByteArray bytes = readWholeFile(path, log);
    if (!bytes.isEmpty()) {
        GpiRows rows(context, result, log);
        rows.read(bytes);
        rows.report();
    }
    log.finish();
    finishFile(context, result, QString());
    return result;
}

}  // namespace vintrel
