#include "import/reader_support.h"

#include <QFileInfo>

#include <algorithm>

namespace vintrel {

namespace {

constexpr int kListedProblems = 20;

std::optional<double> checkOne(const std::optional<std::string>& text, const char* what, double limit,
                               QString& reason) {
    if (!text) {
        reason = QStringLiteral("no %1").arg(QLatin1String(what));
        return std::nullopt;
    }
    const std::optional<double> v = parseCoordinateUtf8(*text);
    if (v && *v >= -limit && *v <= limit) {
        return v;
    }
    const QString shown = fieldText(*text);
    if (!v) {
        reason = shown.isEmpty()
                     ? QStringLiteral("empty %1").arg(QLatin1String(what))
                     : QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(what), shown.left(40));
    } else {
        reason = QStringLiteral("%1 %2 is outside ±%3").arg(QLatin1String(what), shown).arg(limit);
    }
    return std::nullopt;
}

}  // namespace

QString fieldText(std::string_view utf8) {
    QString out = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const bool hasBreaks =
        std::any_of(utf8.begin(), utf8.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
    if (hasBreaks) {
        for (QChar& c : out) {
            if (c == u'\n' || c == u'\r' || c == u'\t') {
                c = u' ';
            }
        }
    }
    const bool padded = !out.isEmpty() && (out.front().isSpace() || out.back().isSpace());
    return padded ? std::move(out).trimmed() : out;
}

std::optional<Position> checkPosition(const std::optional<std::string>& latText,
                                      const std::optional<std::string>& lonText, QString& reason) {
    const std::optional<double> lat = checkOne(latText, "latitude", 90, reason);
    if (!lat) {
        return std::nullopt;
    }
    const std::optional<double> lon = checkOne(lonText, "longitude", 180, reason);
    if (!lon) {
        return std::nullopt;
    }
    return Position{*lat, *lon};
}

void setPositionCells(WaypointDraft& row, const Position& pos, MinutesRule rule, QChar decimalSeparator,
                      int decimals) {
    row.cell(column::kLatDM) = latCell(pos.lat, rule);
    row.cell(column::kLonDM) = lonCell(pos.lon, rule);
    DecimalCell lat = decimalCell(pos.lat, decimalSeparator, decimals);
    DecimalCell lon = decimalCell(pos.lon, decimalSeparator, decimals);
    row.cell(column::kLatDecimal) = std::move(lat.text);
    row.cell(column::kLonDecimal) = std::move(lon.text);
    row.lat = lat.value;
    row.lon = lon.value;
}

IconRole iconForCacheType(const QString& type) {
    static const QHash<QString, IconRole> icons = {
        {QStringLiteral("geocache"), IconRole::Geocache},
        {QStringLiteral("waypoint"), IconRole::Waypoint},
        {QStringLiteral("traditional cache"), IconRole::Traditional},
        {QStringLiteral("webcam cache"), IconRole::Webcam},
        {QStringLiteral("multi cache"), IconRole::Multi},
        {QStringLiteral("mystery cache"), IconRole::Mystery},
        {QStringLiteral("event cache"), IconRole::Event},
        {QStringLiteral("virtual hybrid"), IconRole::Virtual},
        {QStringLiteral("letterbox hybrid"), IconRole::Event},
        {QStringLiteral("locationless cache"), IconRole::Locationless},
    };
    return icons.value(type.toLower(), IconRole::Empty);
}

ProblemLog::ProblemLog(ReadResult& result, const QString& path)
    : result_(result), fileName_(QFileInfo(path).fileName()) {}

void ProblemLog::skipped(long line, const QString& name, const QString& reason) {
    ++result_.skipped;
    if (listed_ >= kListedProblems) {
        ++unlisted_;
        return;
    }
    ++listed_;
    const QString who = name.isEmpty() ? QStringLiteral("a waypoint without a name")
                                       : QStringLiteral("waypoint \"%1\"").arg(name);
    result_.problems.append(
        QStringLiteral("%1, line %2: %3 was skipped: %4.").arg(fileName_).arg(line).arg(who, reason));
}

void ProblemLog::repaired(long line, const QString& what) {
    result_.problems.insert(repairs_++,
                            QStringLiteral("%1, line %2: %3.").arg(fileName_, QString::number(line), what));
}

void ProblemLog::stoppedEarly(long line, const QString& why) {
    result_.readToEnd = false;
    if (line > 0) {
        result_.problems.append(
            QStringLiteral("%1, line %2: %3; reading stopped there.").arg(fileName_).arg(line).arg(why));
    } else {
        result_.problems.append(QStringLiteral("%1: the file %2.").arg(fileName_, why));
    }
}

void ProblemLog::finish() {
    if (unlisted_ > 0) {
        result_.problems.append(
            QStringLiteral("%1: %2 more waypoints were skipped for the same kinds of reasons.")
                .arg(fileName_)
                .arg(unlisted_));
    }
}

QString easyGpsAdvice(const QString& lastSentence) {
    return QStringLiteral(
               "This file could not be read.\r\n\r\n"
               "Maybe because it has been saved in EasyGPS.\r\n\r\n"
               "It is best to use .loc files that have been downloaded from www.geocaching.com and not "
               "touched by EasyGPS.\r\n\r\n") +
           lastSentence;
}

void finishFile(ImportContext& context, ReadResult& result, const QString& advice) {
    if (result.appended > 0) {
        context.list.setColumnAlignment(column::kName, ColumnAlignment::Left);
        context.list.setColumnAlignment(column::kDescription, ColumnAlignment::Left);
    }
    if (context.list.rowCount() == 0) {
        result.advice = advice;
    } else {
        context.list.setColumnWidth(column::kDescription,
                                    descriptionWidthAfterImport(context.list.rowCount()));
    }
}

}  // namespace vintrel
