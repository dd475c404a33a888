#include "app/waypoint_list.h"

#include "app/coordinates.h"

namespace vintrel {

QString iconRoleName(IconRole role) {
    switch (role) {
        case IconRole::None: return {};
        case IconRole::Geocache: return QStringLiteral("geocache");
        case IconRole::Waypoint: return QStringLiteral("waypoint");
        case IconRole::Traditional: return QStringLiteral("traditional");
        case IconRole::Webcam: return QStringLiteral("webcam");
        case IconRole::Multi: return QStringLiteral("multi");
        case IconRole::Mystery: return QStringLiteral("mystery");
        case IconRole::Event: return QStringLiteral("event");
        case IconRole::Virtual: return QStringLiteral("virtual");
        case IconRole::Locationless: return QStringLiteral("locationless");
        case IconRole::Empty: return QStringLiteral("empty");
        case IconRole::Gatso: return QStringLiteral("gatso");
        case IconRole::RedLight: return QStringLiteral("redlight");
        case IconRole::Specs: return QStringLiteral("specs");
        case IconRole::Mobile: return QStringLiteral("mobile");
        case IconRole::EncryptYes: return QStringLiteral("encryptyes");
        case IconRole::EncryptNo: return QStringLiteral("encryptno");
    }
    return {};
}

namespace {
// Widths of the columns that no rule of the coordinate view sets.
constexpr int kIconWidth = 300;
constexpr int kNameWidth = 1980;
constexpr int kOtherWidth = 1000;
}  // namespace

WaypointList::WaypointList() {
    widths_.fill(kOtherWidth);
    alignments_.fill(ColumnAlignment::General);
    widths_[column::kIcon] = kIconWidth;
    widths_[column::kName] = kNameWidth;
    applyCoordinateWidths(*this, applyCoordinateView(QString(), 0, false));
}

const QStringList& WaypointList::headerTexts() {
    static const QStringList headers = {
        QString(),
        QStringLiteral("Waypoint "),
        QStringLiteral("Description"),
        QStringLiteral("Latitude"),
        QStringLiteral("Longitude"),
        QStringLiteral("Latitude"),
        QStringLiteral("Longitude"),
        QStringLiteral("http"),
        QStringLiteral("dup"),
        QStringLiteral("Encryption"),
        QStringLiteral("Symbol"),
        QString(),
    };
    return headers;
}

int WaypointList::appendWaypointRow(WaypointRow row) {
    const int index = rowCount();
    const QString& name = row.cell(column::kName);
    if (!exactIndex_.contains(name)) {
        exactIndex_.insert(name, index);
    }
    upperIndex_[nameKey(name)].append(index);
    rows_.append(std::move(row));
    return index;
}

int WaypointList::findRowByName(const QString& name, NameMatch match) const {
    if (match == NameMatch::Exact) {
        return exactIndex_.value(name, -1);
    }
    const auto it = upperIndex_.constFind(nameKey(name));
    return it == upperIndex_.constEnd() ? -1 : it->first();
}

QList<int> WaypointList::rowsWithNameIgnoringCase(const QString& name) const {
    return upperIndex_.value(nameKey(name));
}

void WaypointList::markDuplicate(int index) {
    WaypointRow& r = rows_[index];
    r.cell(column::kDuplicate) = kDuplicateMark;
    r.redName = true;
}

void WaypointList::clear() {
    rows_.clear();
    exactIndex_.clear();
    upperIndex_.clear();
}

}  // namespace vintrel
