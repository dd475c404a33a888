#include "import/reader_support.h"

#include "model/file_names.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace vintrel {

namespace {

constexpr int kListedProblems = 20;

// The digits after the point of a plain decimal text; -1 for one with an exponent.
int decimalsOf(std::string_view text) {
    int decimals = -1;  // -1 until the point
    for (const char c : text) {
        if (c == 'e' || c == 'E') {
            return -1;
        }
        if (c == '.') {
            decimals = 0;
        } else if (decimals >= 0 && c >= '0' && c <= '9') {
            ++decimals;
        }
    }
    return decimals < 0 ? 0 : decimals;
}

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
        reason =
            shown.isEmpty()
                ? QStringLiteral("empty %1").arg(QLatin1String(what))
                : QStringLiteral("%1 \"%2\" is not a number").arg(QLatin1String(what), shortQuote(shown));
    } else {
        reason =
            QStringLiteral("%1 %2 is outside ±%3").arg(QLatin1String(what), shortQuote(shown)).arg(limit);
    }
    return std::nullopt;
}

}  // namespace

QString shortQuote(const QString& text) {
    constexpr qsizetype kQuoted = 40;
    return text.size() <= kQuoted ? text : text.left(kQuoted) + QStringLiteral("…");
}

void setFieldText(QString& out, std::string_view utf8) {
    // Plain ASCII with no control character (nearly every field) is widened in place; anything
    // else takes the general way.
    const auto isPlain = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F;
    };
    if (!std::all_of(utf8.begin(), utf8.end(), isPlain)) {
        out = fieldText(utf8);
        return;
    }
    while (!utf8.empty() && utf8.front() == ' ') {
        utf8.remove_prefix(1);
    }
    while (!utf8.empty() && utf8.back() == ' ') {
        utf8.remove_suffix(1);
    }
    out.resize(static_cast<qsizetype>(utf8.size()));
    std::copy(utf8.begin(), utf8.end(), reinterpret_cast<char16_t*>(out.data()));
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
    return Position{*lat, *lon, decimalsOf(*latText), decimalsOf(*lonText)};
}

void setPositionCells(WaypointDraft& row, const Position& pos, MinutesRule rule, QChar decimalSeparator,
                      int decimals) {
    row.setPosition(pos.lat, pos.lon,
                    PositionForm{rule, static_cast<quint8>(decimals), decimalSeparator.unicode()},
                    pos.latDecimals, pos.lonDecimals);
}

IconRole iconForCacheType(const QString& type) {
    struct Entry {
        QLatin1StringView type;
        IconRole icon;
    };
    static constexpr Entry kIcons[] = {
        {QLatin1StringView("geocache"), IconRole::Geocache},
        {QLatin1StringView("waypoint"), IconRole::Waypoint},
        {QLatin1StringView("traditional cache"), IconRole::Traditional},
        {QLatin1StringView("webcam cache"), IconRole::Webcam},
        {QLatin1StringView("multi cache"), IconRole::Multi},
        {QLatin1StringView("mystery cache"), IconRole::Mystery},
        {QLatin1StringView("event cache"), IconRole::Event},
        {QLatin1StringView("virtual hybrid"), IconRole::Virtual},
        {QLatin1StringView("letterbox hybrid"), IconRole::Event},
        {QLatin1StringView("locationless cache"), IconRole::Locationless},
    };
    // Compared in place, ignoring case: no lower-case copy for every waypoint.
    for (const Entry& e : kIcons) {
        if (e.type.size() == type.size() && QStringView(type).compare(e.type, Qt::CaseInsensitive) == 0) {
            return e.icon;
        }
    }
    return IconRole::Empty;
}

ProblemLog::ProblemLog(ReadResult& result, const QString& path)
    : result_(result), fileName_(displayFileName(QFileInfo(path).fileName())) {}

bool ProblemLog::roomForOneMore() {
    if (listed_ >= kListedProblems) {
        ++unlisted_;
        return false;
    }
    ++listed_;
    return true;
}

QString ProblemLog::record(const QString& name) {
    return name.isEmpty() ? QStringLiteral("a waypoint without a name")
                          : QStringLiteral("waypoint \"%1\"").arg(shortQuote(name));
}

void ProblemLog::skipped(long line, const QString& name, const QString& reason) {
    if (keeping_) {
        kept_.push_back({line, name, reason, false});
        return;
    }
    ++result_.skipped;
    if (roomForOneMore()) {
        result_.skips.append(QStringLiteral("%1, line %2: %3 was skipped: %4.")
                                 .arg(fileName_, QString::number(line), record(name), reason));
    }
}

void ProblemLog::skippedTogether(int count, const QString& sentence) {
    result_.skipped += count;
    result_.skips.append(fileName_ + QStringLiteral(": ") + sentence);
}

void ProblemLog::repaired(long line, const QString& what) {
    result_.problems.insert(repairs_++,
                            QStringLiteral("%1, line %2: %3.").arg(fileName_, QString::number(line), what));
}

void ProblemLog::stoppedEarly(long line, const QString& why) {
    result_.readToEnd = false;
    if (line > 0) {
        result_.problems.append(
            QStringLiteral("%1, line %2: %3.").arg(fileName_, QString::number(line), why));
    } else {
        result_.problems.append(QStringLiteral("%1: the file %2.").arg(fileName_, why));
    }
}

void ProblemLog::cut(long line, const QString& name, const QString& field) {
    if (keeping_) {
        kept_.push_back({line, name, field, true});
        return;
    }
    if (roomForOneMore()) {
        result_.skips.append(
            QStringLiteral(
                "%1, line %2: the %3 of %4 is longer than a megabyte; only its first megabyte was kept.")
                .arg(fileName_, QString::number(line), field, record(name)));
    }
}

void ProblemLog::replay(ProblemLog& into, long lines) const {
    for (const Kept& k : kept_) {
        if (k.cut) {
            into.cut(k.line + lines, k.name, k.text);
        } else {
            into.skipped(k.line + lines, k.name, k.text);
        }
    }
}

void ProblemLog::note(const QString& sentence) {
    result_.problems.append(fileName_ + QStringLiteral(": ") + sentence);
}

void ProblemLog::finish() {
    if (unlisted_ > 0) {
        result_.skips.append(
            QStringLiteral("%1: %2 more waypoints were skipped for the same kinds of reasons.")
                .arg(fileName_, QString::number(unlisted_)));
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
    result.finished = true;
    if (context.list.rowCount() == 0) {
        // The advice is about files that other programs changed; a file that was missing, empty or
        // no document at all has its reason in the problems instead. A file whose waypoints were
        // all skipped gets the reason in its place: the first, with the count.
        if (result.documentFound && !advice.isEmpty() && result.skipped > 0 && !result.skips.isEmpty()) {
            result.advice =
                (result.skipped == 1
                     ? QStringLiteral("This file could not be read: its one waypoint was skipped.")
                     : QStringLiteral("This file could not be read: all of its %1 waypoints were skipped. "
                                      "The first:")
                           .arg(QLocale(QLocale::English).toString(result.skipped))) +
                QStringLiteral("\r\n\r\n") + result.skips.first();
        } else if (result.documentFound) {
            result.advice = advice;
        }
    }
}

}  // namespace vintrel
