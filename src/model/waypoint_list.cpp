#include "model/waypoint_list.h"

#include "base/huge_pages.h"

#include <QHash>

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

void WaypointDraft::setPosition(double latitude, double longitude, const PositionForm& positionForm,
                                int latDecimals, int lonDecimals) {
    hasPosition = true;
    sourceLat = latitude;
    sourceLon = longitude;
    form = positionForm;
    lat = decimalCellValue(latitude, form.decimals, latDecimals);
    lon = decimalCellValue(longitude, form.decimals, lonDecimals);
}

QString WaypointRow::cell(int col) const {
    if (hasPosition_ && col >= column::kLatDM && col <= column::kLonDecimal && cellView(col).isEmpty()) {
        switch (col) {
            case column::kLatDM:
                return latCell(sourceLat_, form_.rule);
            case column::kLonDM:
                return lonCell(sourceLon_, form_.rule);
            case column::kLatDecimal:
                return formatDecimalCell(sourceLat_, form_.separator, form_.decimals);
            default:
                return formatDecimalCell(sourceLon_, form_.separator, form_.decimals);
        }
    }
    return cellView(col).toString();
}

QString WaypointRow::rawDM(int col) const {
    const bool lat = col == column::kLatDM;
    if (hasPosition_ && cellView(col).isEmpty()) {
        return lat ? formatLatDM(sourceLat_, form_.rule) : formatLonDM(sourceLon_, form_.rule);
    }
    const QStringView stored = cellView(col);
    return stored.last(std::min<qsizetype>(stored.size(), lat ? 11 : 12)).toString();
}

WaypointRow::WaypointRow(const WaypointDraft& draft)
    : icon(draft.icon),
      lat(draft.lat),
      lon(draft.lon),
      hasPosition_(draft.hasPosition),
      form_(draft.form),
      sourceLat_(draft.sourceLat),
      sourceLon_(draft.sourceLon) {
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
      lat(other.lat),
      lon(other.lon),
      hasPosition_(other.hasPosition_),
      form_(other.form_),
      sourceLat_(other.sourceLat_),
      sourceLon_(other.sourceLon_),
      text_(other.text_.constData(), other.text_.size()),
      ends_(other.ends_) {}

WaypointRow& WaypointRow::operator=(const WaypointRow& other) {
    if (this != &other) {
        icon = other.icon;
        redName = other.redName;
        lat = other.lat;
        lon = other.lon;
        hasPosition_ = other.hasPosition_;
        form_ = other.form_;
        sourceLat_ = other.sourceLat_;
        sourceLon_ = other.sourceLon_;
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

QStringView nameOf(const WaypointRow& row) {
    return row.cellView(column::kName);
}

// The start of the description, where a wireless-network row keeps its hardware address.
constexpr qsizetype kAddressLength = 17;
QStringView addressOf(const WaypointRow& row) {
    return row.cellView(column::kDescription).left(kAddressLength);
}

size_t exactHash(QStringView text) {
    return qHash(text, 0);
}

}  // namespace

WaypointList::WaypointList() {
    widths_.fill(kOtherWidth);
    alignments_.fill(ColumnAlignment::General);
    widths_[column::kIcon] = kIconWidth;
    widths_[column::kName] = kNameWidth;
    setCoordinateWidths(applyCoordinateView(ListView::Waypoints, 0, false));
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

size_t foldedHash(QStringView text) {
    // The folded text is hashed in pieces from a small buffer: no second string, and no call per
    // character for the letters A to Z.
    constexpr qsizetype kPiece = 64;
    char16_t folded[kPiece + 2];
    qsizetype n = 0;
    size_t h = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            folded[n++] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
                ++i;
            }
            c = QChar::toCaseFolded(c);
            if (QChar::requiresSurrogates(c)) {
                folded[n++] = QChar::highSurrogate(c);
                folded[n++] = QChar::lowSurrogate(c);
            } else {
                folded[n++] = static_cast<char16_t>(c);
            }
        }
        if (n >= kPiece) {
            h = qHash(QStringView(folded, n), h);
            n = 0;
        }
    }
    return qHash(QStringView(folded, n), h);
}

bool sameIgnoringCase(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void WaypointList::setCoordinateWidths(const CoordinateViewWidths& widths) {
    setColumnWidth(column::kDescription, widths.description);
    setColumnWidth(column::kLatDM, widths.latDM);
    setColumnWidth(column::kLonDM, widths.lonDM);
    setColumnWidth(column::kLatDecimal, widths.latDecimal);
    setColumnWidth(column::kLonDecimal, widths.lonDecimal);
}

int WaypointList::appendWaypointRow(const WaypointRow& source) {
    const int index = rowCount();
    WaypointRow row(source);
    // The row's text moves into the list's blocks; a later setCell gives that row its own copy.
    const qsizetype length = row.text_.size();
    row.text_ = QString::fromRawData(reinterpret_cast<const QChar*>(storeText(row.text_)), length);
    rows_.push_back(std::move(row));
    rowCountSoFar_.store(index + 1, std::memory_order_relaxed);
    const WaypointRow& added = rows_.back();
    exactNames_.add(exactHash(nameOf(added)), index);
    foldedNames_.add(foldedHash(nameOf(added)), index);
    if (addressesBuilt_) {
        addresses_.add(foldedHash(addressOf(added)), index);
    }
    return index;
}

int WaypointList::appendUnlessDuplicate(const WaypointDraft& draft, DuplicateRule rule, QStringView address) {
    const QString& name = draft.cells[column::kName];
    bool duplicate = false;
    switch (rule) {
        case DuplicateRule::ExactName:
            duplicate = !name.isEmpty() && findRowByName(name) >= 0;
            break;
        case DuplicateRule::NameIgnoringCase:
            duplicate = markMatches(foldedNames_, name, &nameOf);
            break;
        case DuplicateRule::AddressIgnoringCase:
            indexAddresses();
            duplicate = markMatches(addresses_, address, &addressOf);
            break;
    }
    if (duplicate) {
        ++duplicateCount_;
        return -1;
    }
    return appendWaypointRow(WaypointRow(draft));
}

bool WaypointList::markMatches(RowIndex& index, QStringView key, QStringView (*keyOf)(const WaypointRow&)) {
    const size_t hash = foldedHash(key);
    bool found = false;
    for (int r = index.head(hash); r >= 0 && !found; r = index.next(r)) {
        found = sameIgnoringCase(keyOf(row(r)), key);
    }
    if (!found) {
        return false;
    }
    // Rows up to markedThrough were all marked by an earlier record of this key, and marks are only
    // ever added, so a chain is walked once however many records repeat its key.
    const int head = index.head(hash);
    const int done = index.markedThrough(hash);
    bool onlyThisKey = true;
    for (int r = head; r > done; r = index.next(r)) {
        if (!sameIgnoringCase(keyOf(row(r)), key)) {
            onlyThisKey = false;  // another key with the same hash: its rows must stay unmarked
        } else if (!row(r).isMarkedDuplicate() || !row(r).redName) {
            markDuplicate(r);
        }
    }
    if (onlyThisKey) {
        index.setMarkedThrough(hash, head);
    }
    return true;
}

void WaypointList::indexAddresses() {
    if (addressesBuilt_) {
        return;
    }
    for (int r = 0; r < rowCount(); ++r) {
        addresses_.add(foldedHash(addressOf(row(r))), r);
    }
    addressesBuilt_ = true;
}

int WaypointList::findRowByName(QStringView name) const {
    for (int r = exactNames_.head(exactHash(name)); r >= 0; r = exactNames_.next(r)) {
        if (nameOf(row(r)) == name) {
            return r;
        }
    }
    return -1;
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
    rowCountSoFar_.store(0, std::memory_order_relaxed);
    for (const TextBlock& block : textBlocks_) {
        freeLargeBlock(block.data, static_cast<size_t>(block.capacity) * sizeof(char16_t));
    }
    textBlocks_.clear();
    exactNames_.clear();
    foldedNames_.clear();
    addresses_.clear();
    addressesBuilt_ = false;
}

}  // namespace vintrel
