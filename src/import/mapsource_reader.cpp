#include "import/mapsource_reader.h"

#include "formats/garmin/garmin_tables.h"
#include "formats/mapsource/mapsource_layout.h"
#include "import/pieces.h"
#include "import/reader_support.h"
#include "import/row_batch.h"
#include "model/file_names.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace vintrel {

namespace {

using namespace mapsource;

// "3 routes", "1 track"
QString counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "3 routes and 2 tracks were passed over; only waypoints are read."
QString passedOverSentence(int routes, int tracks, int others) {
    QStringList parts;
    if (routes > 0) {
        parts.append(counted(routes, "route", "routes"));
    }
    if (tracks > 0) {
        parts.append(counted(tracks, "track", "tracks"));
    }
    if (others > 0) {
        parts.append(counted(others, "other record", "other records"));
    }
    if (parts.isEmpty()) {
        return {};
    }
    const QString last = parts.takeLast();
    const QString all =
        parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    const bool one = routes + tracks + others == 1;
    return QStringLiteral("%1 %2 passed over; only waypoints are read.")
        .arg(all, one ? QStringLiteral("was") : QStringLiteral("were"));
}

// A text of the file as a cell: line breaks and tabs become spaces, blanks at both ends go.
QString cellOf(QByteArrayView bytes, const Format& format) {
    if (format.utf8Text) {
        return fieldText(std::string_view(bytes.data(), static_cast<size_t>(bytes.size())));
    }
    QString text = decodeText(bytes, format);
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20; }) &&
                       (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()));
    return plain ? text : fieldText(text.toStdString());
}

class MapSourceRows {
  public:
    MapSourceRows(ImportContext& context, ReadResult& result) : context_(context), result_(result) {}

    void onRecord(const Record& record, const Format& format) {
        if (!format.readable || stopped_) {
            return;
        }
        switch (record.type) {
            case kWaypointRecord:
                waypoint(record, format);
                break;
            case kRouteRecord:
                ++routes_;
                break;
            case kTrackRecord:
                ++tracks_;
                break;
            case kApplicationRecord:
            case kEndRecord:
                break;
            default:
                ++others_;
        }
    }

    // What was skipped and passed over, after the file was walked: the import report's, not the
    // file's problems.
    void report(ProblemLog& log) const {
        if (unreadable_ > 0) {
            log.skippedTogether(unreadable_,
                                QStringLiteral("%1 could not be read and %2 left out (the first at byte %3).")
                                    .arg(counted(unreadable_, "waypoint record", "waypoint records"),
                                         unreadable_ == 1 ? QStringLiteral("was") : QStringLiteral("were"),
                                         QString::number(firstUnreadable_)));
        }
        for (const QString& s : outside_) {
            log.skippedTogether(1, s);
        }
        if (outsideCount_ > outside_.size()) {
            const int more = outsideCount_ - static_cast<int>(outside_.size());
            log.skippedTogether(
                more, QStringLiteral("%1 more waypoints were skipped for a position off the map.").arg(more));
        }
        const QString passed = passedOverSentence(routes_, tracks_, others_);
        if (!passed.isEmpty()) {
            log.skippedTogether(0, passed);
        }
    }

    bool stopped() const { return stopped_; }
    void stop() { stopped_ = true; }

    // The rows of one piece of a file are kept in `batch`.
    void setBatch(RowBatch* batch) { batch_ = batch; }
    // Appends a row unless the list holds its name already, as one of the file's.
    void commit(const WaypointDraft& row) {
        if (context_.list.appendUnlessDuplicate(row, DuplicateRule::ExactName) >= 0) {
            ++result_.appended;
        }
    }
    // Adds what the rows of the next piece of the file counted.
    void absorb(const MapSourceRows& piece) {
        routes_ += piece.routes_;
        tracks_ += piece.tracks_;
        others_ += piece.others_;
        if (unreadable_ == 0) {
            firstUnreadable_ = piece.firstUnreadable_;
        }
        unreadable_ += piece.unreadable_;
        for (const QString& s : piece.outside_) {
            if (outside_.size() < kListedSkips) {
                outside_.append(s);
            }
        }
        outsideCount_ += piece.outsideCount_;
    }

  private:
    static constexpr int kListedSkips = 20;

    void waypoint(const Record& record, const Format& format) {
        if (context_.progress != nullptr) {
            context_.progress->setDone(record.offset);
            if (context_.progress->cancelled()) {
                stopped_ = true;
                return;
            }
        }
        const std::optional<WaypointFields> fields = decodeWaypoint(record.body, format);
        if (!fields) {
            if (unreadable_++ == 0) {
                firstUnreadable_ = record.offset;
            }
            return;
        }
        WaypointDraft row;
        row.cell(column::kName) = cellOf(fields->name, format);
        // To seven decimals, finer than a semicircle (8.4e-8 degrees): a position written from
        // 2.0 degrees, which the 32-bit field holds as 1.99999998, reads as 2 again.
        const double lat = std::round(degreesOf(fields->lat) * 1e7) / 1e7;
        const double lon = std::round(degreesOf(fields->lon) * 1e7) / 1e7;
        if (lat < -90 || lat > 90) {
            if (outsideCount_++ < kListedSkips) {
                outside_.append(
                    QStringLiteral("waypoint \"%1\" at byte %2 was skipped: latitude %3 is outside ±90.")
                        .arg(shortQuote(row.cell(column::kName)), QString::number(record.offset),
                             QString::number(lat, 'f', 6)));
            }
            return;
        }
        // A waypoint without a comment shows its notes: MapSource's route points keep their
        // directions there.
        row.cell(column::kDescription) =
            cellOf(fields->comment.isEmpty() ? fields->notes : fields->comment, format);
        row.cell(column::kUrl) = cellOf(fields->url, format);
        const QString symbol = symbolName(fields->symbol);
        row.cell(column::kSymbol) = symbol;
        row.icon = iconForCacheType(symbol);
        setPositionCells(row, Position{lat, lon}, MinutesRule::Cut, context_.decimalSeparator, 7);
        if (batch_ != nullptr) {
            batch_->add(row, DuplicateRule::ExactName, {});
        } else {
            commit(row);
        }
    }

    ImportContext& context_;
    ReadResult& result_;
    int routes_ = 0;
    int tracks_ = 0;
    int others_ = 0;
    int unreadable_ = 0;
    qsizetype firstUnreadable_ = -1;
    int outsideCount_ = 0;
    QStringList outside_;
    bool stopped_ = false;
    RowBatch* batch_ = nullptr;
};

// A large file's records, walked on this thread (the walk only reads their frames), decoded in
// pieces on several threads (see import/pieces.h) and added to the list in order.
void decodeInPieces(const std::vector<Record>& records, const Format& format, MapSourceRows& rows,
                    ImportContext& context, qsizetype fileBytes) {
    struct Piece {
        explicit Piece(const ImportContext& file)
            : context{unused, file.decimalSeparator, file.progress, file.pieces}, rows(context, result) {}
        WaypointList unused;  // its rows are kept in its batch, never in a list
        ImportContext context;
        ReadResult result;
        MapSourceRows rows;
        RowBatch batch;
    };
    const qint64 step = pieceBytes(context.pieces, fileBytes);
    const int count = static_cast<int>((fileBytes + step - 1) / step);
    const int threads = pieceThreads(context.pieces);
    std::vector<std::unique_ptr<Piece>> slots(static_cast<std::size_t>(pieceSlots(threads)));
    const auto firstAt = [&records](qint64 offset) {
        return std::lower_bound(records.begin(), records.end(), offset,
                                [](const Record& r, qint64 at) { return r.offset < at; });
    };
    const auto parse = [&](int k, int slot) {
        auto piece = std::make_unique<Piece>(context);
        piece->rows.setBatch(&piece->batch);
        for (auto r = firstAt(k * step), end = firstAt((k + 1) * step); r != end; ++r) {
            piece->rows.onRecord(*r, format);
        }
        slots[static_cast<std::size_t>(slot)] = std::move(piece);
    };
    const auto merge = [&](int, int slot) {
        if (context.progress != nullptr && context.progress->cancelled()) {
            rows.stop();
            return false;
        }
        const Piece& piece = *slots[static_cast<std::size_t>(slot)];
        piece.batch.forEach(
            [&rows](const WaypointDraft& row, DuplicateRule, QStringView) { rows.commit(row); });
        rows.absorb(piece.rows);
        if (context.pieces.piecesRead != nullptr) {
            ++*context.pieces.piecesRead;
        }
        return true;
    };
    runPieces(count, threads, parse, merge);
}

// "is damaged or cut short (...)" from "it is damaged or cut short (...)": the log puts "the file"
// in front.
QString withoutSubject(const QString& error) {
    return error.startsWith(QLatin1String("it ")) ? error.mid(3) : error;
}

}  // namespace

ReadResult readMapSourceFile(const QString& path, ImportContext& context) {
    ReadResult result;
    ProblemLog log(result, path);
    const QByteArray bytes = readWholeFile(path, log);
    if (!bytes.isEmpty()) {
        MapSourceRows rows(context, result);
        const bool inPieces = bytes.size() >= context.pieces.fromBytes && pieceThreads(context.pieces) > 1;
        std::vector<Record> records;
        const Walk walk = walkRecords(bytes, [&](const Record& record, const Format& format) {
            if (inPieces) {
                records.push_back(record);
            } else {
                rows.onRecord(record, format);
            }
        });
        if (inPieces) {
            decodeInPieces(records, walk.format, rows, context, bytes.size());
        }
        result.documentFound = walk.kind.has_value();
        if (walk.formatFound && !walk.format.readable) {
            log.stoppedEarly(
                0, QStringLiteral("is %1, which Vintrel does not read").arg(walk.format.description()));
        } else {
            rows.report(log);
            if (rows.stopped()) {
                log.stoppedEarly(0,
                                 QStringLiteral("was read only in part: ") + QLatin1String(kImportCancelled));
            } else if (!walk.ok()) {
                log.stoppedEarly(
                    0, withoutSubject(walk.error) +
                           (result.appended > 0 ? QStringLiteral("; the waypoints before it were read")
                                                : QString()));
            }
        }
    }
    log.finish();
    finishFile(context, result, QString());
    return result;
}

}  // namespace vintrel
