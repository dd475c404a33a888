#include "model/waypoint_list.h"

#include "model/coordinates.h"

#include "base/huge_pages.h"

#include <algorithm>

namespace vintrel {

QString iconRoleName(IconRole role) {
    switch (role) {
        case IconRole::None:
            return {};
        case IconRole::Geocache:
            return QStringLiteral("geocache");
        case IconRole::Waypoint:
            return QStringLiteral("waypoint");
        case IconRole::Traditional:
            return QStringLiteral("traditional");
        case IconRole::Webcam:
            return QStringLiteral("webcam");
        case IconRole::Multi:
            return QStringLiteral("multi");
        case IconRole::Mystery:
            return QStringLiteral("mystery");
        case IconRole::Event:
            return QStringLiteral("event");
        case IconRole::Virtual:
            return QStringLiteral("virtual");
        case IconRole::Locationless:
            return QStringLiteral("locationless");
        case IconRole::Empty:
            return QStringLiteral("empty");
        case IconRole::Gatso:
            return QStringLiteral("gatso");
        case IconRole::RedLight:
            return QStringLiteral("redlight");
        case IconRole::Specs:
            return QStringLiteral("specs");
        case IconRole::Mobile:
            return QStringLiteral("mobile");
        case IconRole::EncryptYes:
            return QStringLiteral("encryptyes");
        case IconRole::EncryptNo:
            return QStringLiteral("encryptno");
    }
    return {};
}

WaypointRow::WaypointRow(const WaypointDraft& draft) : icon(draft.icon) {
    qsizetype total = 0;
    for (const QString& c : draft.cells) {
        total += c.size();
    }
    text_.reserve(total);
    for (size_t i = 0; i < draft.cells.size(); ++i) {
        text_.append(draft.cells[i]);
        ends_[i] = static_cast<quint32>(text_.size());
    }
}

WaypointRow::WaypointRow(const WaypointRow& other)
    : icon(other.icon),
      redName(other.redName),
      text_(other.text_.constData(), other.text_.size()),
      ends_(other.ends_) {}

WaypointRow& WaypointRow::operator=(const WaypointRow& other) {
    if (this != &other) {
        icon = other.icon;
        redName = other.redName;
        text_ = QString(other.text_.constData(), other.text_.size());
        ends_ = other.ends_;
    }
    return *this;
}

void WaypointRow::setCell(int col, const QString& text) {
    const quint32 start = col == 0 ? 0 : ends_[static_cast<size_t>(col - 1)];
    const quint32 oldLength = ends_[static_cast<size_t>(col)] - start;
    text_.replace(start, oldLength, text);
    const qint64 shift = text.size() - static_cast<qint64>(oldLength);
    for (size_t i = static_cast<size_t>(col); i < ends_.size(); ++i) {
        ends_[i] = static_cast<quint32>(ends_[i] + shift);
    }
}

namespace {

// Text blocks are large and live as long as the list: they are offered huge pages, so filling
// them costs a few hundred page faults instead of tens of thousands.
char16_t* allocateTextBlock(qsizetype units) {
    return static_cast<char16_t*>(allocateLargeBlock(static_cast<size_t>(units) * sizeof(char16_t)));
}

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

size_t WaypointList::nameHash(QStringView name) {
    size_t h = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i].unicode(), name[i + 1].unicode());
            ++i;
        }
        h = qHashMulti(h, QChar::toCaseFolded(c));
    }
    return h;
}

int WaypointList::appendWaypointRow(WaypointRow row) {
    const int index = rowCount();
    const size_t h = nameHash(row.cellView(column::kName));
    if (nameIndex_.contains(h)) {
        nameMore_.insert(h, index);
    } else {
        nameIndex_.insert(h, index);
    }
    // The row's text moves into the list's blocks; a later setCell gives that row its own copy.
    const qsizetype length = row.text_.size();
    row.text_ = QString::fromRawData(reinterpret_cast<const QChar*>(storeText(row.text_)), length);
    rows_.push_back(std::move(row));
    return index;
}

const char16_t* WaypointList::storeText(QStringView text) {
    constexpr qsizetype kBlockUnits = 2 * 1024 * 1024;  // 4 MiB of UTF-16
    if (textBlocks_.empty() || textBlocks_.back().capacity - textBlocks_.back().used < text.size()) {
        const qsizetype capacity = std::max(kBlockUnits, text.size());
        textBlocks_.push_back({allocateTextBlock(capacity), capacity, 0});
    }
    TextBlock& block = textBlocks_.back();
    char16_t* at = block.data + block.used;
    std::copy(text.utf16(), text.utf16() + text.size(), at);
    block.used += text.size();
    return at;
}

int WaypointList::findRowByName(QStringView name, NameMatch match) const {
    for (int r : rowsWithNameIgnoringCase(name)) {
        if (match == NameMatch::IgnoreCase || row(r).cellView(column::kName) == name) {
            return r;
        }
    }
    return -1;
}

QList<int> WaypointList::rowsWithNameIgnoringCase(QStringView name) const {
    const size_t h = nameHash(name);
    const auto first = nameIndex_.constFind(h);
    if (first == nameIndex_.constEnd()) {
        return {};
    }
    QList<int> candidates{first.value()};
    for (auto it = nameMore_.constFind(h); it != nameMore_.constEnd() && it.key() == h; ++it) {
        candidates.append(it.value());
    }
    QList<int> found;
    for (int r : candidates) {
        if (sameNameIgnoringCase(row(r).cellView(column::kName), name)) {
            found.append(r);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

void WaypointList::markDuplicate(int index) {
    WaypointRow& r = rows_[static_cast<size_t>(index)];
    r.setCell(column::kDuplicate, kDuplicateMark);
    r.redName = true;
}

WaypointList::~WaypointList() {
    clear();
}

void WaypointList::clear() {
    rows_.clear();
    for (const TextBlock& block : textBlocks_) {
        freeLargeBlock(block.data, static_cast<size_t>(block.capacity) * sizeof(char16_t));
    }
    textBlocks_.clear();
    nameIndex_.clear();
    nameMore_.clear();
}

}  // namespace vintrel
