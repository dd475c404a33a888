#include "model/waypoint_list.h"

#include "base/huge_pages.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

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

QAnyStringView WaypointRow::rawDM(int col, std::array<char, 16>& buffer) const {
    const bool lat = col == column::kLatDM;
    if (hasPosition_ && cellView(col).isEmpty()) {
        const int n = lat ? writeLatDM(sourceLat_, form_.rule, buffer.data())
                          : writeLonDM(sourceLon_, form_.rule, buffer.data());
        return QLatin1StringView(buffer.data(), n);
    }
    const qsizetype length = lat ? 11 : 12;
    return cellView(col).visit([length](auto view) -> QAnyStringView {
        return view.last(std::min<qsizetype>(view.size(), length));
    });
}

WaypointRow::WaypointRow(const WaypointDraft& draft, NoText)
    : icon(draft.icon),
      lat(draft.lat),
      lon(draft.lon),
      hasPosition_(draft.hasPosition),
      form_(draft.form),
      sourceLat_(draft.sourceLat),
      sourceLon_(draft.sourceLon) {
    ends_.fill(0);
}

WaypointRow::WaypointRow(const WaypointDraft& draft) : WaypointRow(draft, NoText{}) {
    own(draft.cells);
}

void WaypointRow::copyAllButText(const WaypointRow& other) {
    icon = other.icon;
    redName = other.redName;
    alertSpeed = other.alertSpeed;
    sourceFile = other.sourceFile;
    lat = other.lat;
    lon = other.lon;
    hasPosition_ = other.hasPosition_;
    keyedByPlace_ = other.keyedByPlace_;
    form_ = other.form_;
    sourceLat_ = other.sourceLat_;
    sourceLon_ = other.sourceLon_;
    wide_ = other.wide_;
    ends_ = other.ends_;
}

namespace {
// A string's units without QString::utf16(), which gives an empty string a buffer of its own.
const char16_t* unitsOf(const QString& text) {
    return reinterpret_cast<const char16_t*>(text.constData());
}
}  // namespace

qsizetype WaypointRow::packedBytes(const std::array<QString, kColumnCount>& cells, bool& wide) {
    qsizetype total = 0;
    unsigned high = 0;  // the bits above Latin-1 of any character: or-ed, which vectorises
    for (const QString& c : cells) {
        total += c.size();
        const char16_t* units = unitsOf(c);
        for (qsizetype i = 0; i < c.size(); ++i) {
            high |= units[i] & 0xFF00;
        }
    }
    wide = high != 0;
    return total * (wide ? 2 : 1);
}

void WaypointRow::pack(const std::array<QString, kColumnCount>& cells, bool wide, char* text) {
    wide_ = wide;
    qsizetype at = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        const QString& c = cells[i];
        if (wide_) {
            std::copy(unitsOf(c), unitsOf(c) + c.size(), reinterpret_cast<char16_t*>(text) + at);
        } else {
            std::transform(unitsOf(c), unitsOf(c) + c.size(), text + at,
                           [](char16_t unit) { return static_cast<char>(unit); });
        }
        at += c.size();
        ends_[i] = static_cast<quint32>(at);
    }
    text_ = text;
}

void WaypointRow::own(const std::array<QString, kColumnCount>& cells) {
    bool wide = false;
    const qsizetype bytes = packedBytes(cells, wide);
    std::unique_ptr<char[]> text(new char[static_cast<size_t>(std::max<qsizetype>(bytes, 1))]);
    pack(cells, wide, text.get());
    owned_ = std::move(text);
}

WaypointRow::WaypointRow(const WaypointRow& other) {
    *this = other;
}

WaypointRow& WaypointRow::operator=(const WaypointRow& other) {
    if (this != &other) {
        copyAllButText(other);
        const qsizetype bytes = other.textBytes();
        owned_.reset(new char[static_cast<size_t>(std::max<qsizetype>(bytes, 1))]);
        std::memcpy(owned_.get(), other.text_, static_cast<size_t>(bytes));
        text_ = owned_.get();
    }
    return *this;
}

void WaypointRow::setCell(int col, const QString& text) {
    std::array<QString, kColumnCount> cells;
    for (int c = 0; c < kColumnCount; ++c) {
        cells[static_cast<size_t>(c)] = c == col ? text : cellView(c).toString();
    }
    own(cells);
}

namespace {

// Text blocks are large and live as long as the list: they are offered huge pages, so filling
// them costs a few hundred page faults instead of tens of thousands.
char* allocateTextBlock(qsizetype bytes) {
    return static_cast<char*>(allocateLargeBlock(static_cast<size_t>(bytes)));
}

QAnyStringView nameOf(const WaypointRow& row) {
    return row.cellView(column::kName);
}

// The start of the description, where a wireless-network row keeps its hardware address.
constexpr qsizetype kAddressLength = 17;
QAnyStringView addressOf(const WaypointRow& row) {
    return firstChars(row.cellView(column::kDescription), kAddressLength);
}

// Only a wireless network's row holds an address: another row whose description happens to begin
// with one is no network.
bool isNetworkRow(const WaypointRow& row) {
    return row.icon == IconRole::EncryptYes || row.icon == IconRole::EncryptNo;
}

// A coordinate in units of 1e-5 degrees: coordinates that round alike are one place.
qint64 placeUnits(double degrees) {
    return std::llround(degrees * 1e5);
}

bool samePlace(const WaypointRow& row, double lat, double lon) {
    return placeUnits(row.lat) == placeUnits(lat) && placeUnits(row.lon) == placeUnits(lon);
}

size_t nameAndPlaceHash(QAnyStringView name, double lat, double lon) {
    return qHashMulti(foldedHash(name), placeUnits(lat), placeUnits(lon));
}

}  // namespace

WaypointList::WaypointList() = default;

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

int WaypointList::appendWaypointRow(const WaypointRow& source) {
    WaypointRow row;
    row.copyAllButText(source);
    // The row's text goes into the list's blocks; a later setCell gives that row its own copy.
    char* text = textRoom(source.textBytes());
    if (source.textBytes() > 0) {
        std::memcpy(text, source.text_, static_cast<size_t>(source.textBytes()));
    }
    row.text_ = text;
    namesMayRepeat_ = true;
    return addRow(std::move(row));
}

int WaypointList::addRow(WaypointRow&& row, int known, const RowIndex::Chain* chain) {
    const int index = rowCount();
    if (row.sourceFile == 0) {
        row.sourceFile = static_cast<quint32>(sourceFiles_.size());
    }
    const WaypointRow& added = rows_.push_back(std::move(row));
    rowCountSoFar_.store(index + 1, std::memory_order_relaxed);
    for (int key = 0; key < kKeyCount; ++key) {
        if (key == known) {
            indexes_[key].rows.add(*chain, index);
        } else if (indexes_[key].built && (key != kAddress || isNetworkRow(added))) {
            indexes_[key].rows.add(keyHash(static_cast<Key>(key), added), index);
        }
    }
    return index;
}

size_t WaypointList::keyHash(Key key, const WaypointRow& row) {
    switch (key) {
        case kExactName:
            return exactHash(nameOf(row));
        case kFoldedName:
            return foldedHash(nameOf(row));
        case kNameAndPlace:
            return nameAndPlaceHash(nameOf(row), row.lat, row.lon);
        default:
            return foldedHash(addressOf(row));
    }
}

RowIndex& WaypointList::index(Key key) const {
    KeyIndex& keyIndex = indexes_[key];
    if (!keyIndex.built) {
        for (int r = 0; r < rowCount(); ++r) {
            if (key != kAddress || isNetworkRow(row(r))) {
                keyIndex.rows.add(keyHash(key, row(r)), r);
            }
        }
        keyIndex.built = true;
    }
    return keyIndex.rows;
}

int WaypointList::appendUnlessDuplicate(const WaypointDraft& draft, DuplicateRule rule, QStringView address) {
    const QString& name = draft.cells[column::kName];
    // The key is hashed and its chain found once, for the look-up and, when the record is new and
    // its key is its own, for adding it.
    const Key key = rule == DuplicateRule::AddressIgnoringCase                          ? kAddress
                    : rule == DuplicateRule::NameAndPlaceIgnoringCase || name.isEmpty() ? kNameAndPlace
                    : rule == DuplicateRule::ExactName                                  ? kExactName
                                                                                        : kFoldedName;
    const QStringView keyText = key == kAddress ? address : QStringView(name);
    RowIndex& keyIndex = index(key);
    const size_t hash = key == expectedKey_ && keyText == expectedName_ ? expectedHash_
                        : key == kExactName                             ? exactHash(keyText)
                        : key == kNameAndPlace ? nameAndPlaceHash(keyText, draft.lat, draft.lon)
                                               : foldedHash(keyText);
    const RowIndex::Chain chain = keyIndex.chain(hash);
    const int head = keyIndex.head(chain);
    const bool mark = rule != DuplicateRule::ExactName;
    bool duplicate = false;
    switch (key) {
        case kExactName:
            for (int r = head; r >= 0 && !duplicate; r = keyIndex.next(r)) {
                duplicate = nameOf(row(r)) == name;
            }
            break;
        case kFoldedName:
            duplicate = findMatches(keyIndex, head, hash, mark, [&name](const WaypointRow& r) {
                return sameIgnoringCase(nameOf(r), name);
            });
            break;
        case kNameAndPlace:
            duplicate = findMatches(keyIndex, head, hash, mark, [&name, &draft](const WaypointRow& r) {
                return samePlace(r, draft.lat, draft.lon) && sameIgnoringCase(nameOf(r), name);
            });
            break;
        default:
            duplicate = findMatches(keyIndex, head, hash, mark, [address](const WaypointRow& r) {
                return sameIgnoringCase(addressOf(r), address);
            });
    }
    if (duplicate) {
        ++duplicateCount_;
        return -1;
    }
    WaypointRow row(draft, WaypointRow::NoText{});
    row.keyedByPlace_ = key == kNameAndPlace;
    // Only these rules find the name among every listed row; a name kept by the others may stand
    // on another row too.
    namesMayRepeat_ = namesMayRepeat_ || key == kNameAndPlace || key == kAddress;
    bool wide = false;
    const qsizetype bytes = WaypointRow::packedBytes(draft.cells, wide);
    row.pack(draft.cells, wide, textRoom(bytes));
    // An address is only the start of a description: the row's own key is hashed afresh.
    return key == kAddress ? addRow(std::move(row)) : addRow(std::move(row), key, &chain);
}

void WaypointList::expectInput(qint64 bytes) {
    constexpr qint64 kLargeInput = 1024 * 1024;
    if (bytes < kLargeInput) {
        return;
    }
    rows_.expectLarge();
    textSupply_.expectLarge();
    for (KeyIndex& keyIndex : indexes_) {
        keyIndex.rows.expectLarge();
    }
}

void WaypointList::expectName(DuplicateRule rule, const QString& name) {
    const Key key = rule == DuplicateRule::ExactName ? kExactName : kFoldedName;
    if (rule == DuplicateRule::AddressIgnoringCase || rule == DuplicateRule::NameAndPlaceIgnoringCase ||
        name.isEmpty() || !indexes_[key].built) {
        return;
    }
    expectedKey_ = key;
    // A copy of its own: sharing the reader's string would make the reader's next fill of it
    // allocate anew.
    expectedName_.resize(0);
    expectedName_.append(name.constData(), name.size());
    expectedHash_ = key == kExactName ? exactHash(name) : foldedHash(name);
    indexes_[key].rows.prefetch(expectedHash_);
}

template <class Same>
bool WaypointList::findMatches(RowIndex& index, int head, size_t hash, bool mark, const Same& same) {
    bool found = false;
    for (int r = head; r >= 0 && !found; r = index.next(r)) {
        found = same(row(r));
    }
    if (!found || !mark) {
        return found;
    }
    // Rows up to markedThrough were all marked by an earlier record of this key, and marks are only
    // ever added, so a chain is walked once however many records repeat its key.
    const int done = index.markedThrough(hash);
    bool onlyThisKey = true;
    for (int r = head; r > done; r = index.next(r)) {
        if (!same(row(r))) {
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

int WaypointList::findRowByName(QStringView name) const {
    const RowIndex& names = index(kExactName);
    for (int r = names.head(exactHash(name)); r >= 0; r = names.next(r)) {
        if (nameOf(row(r)) == name) {
            return r;
        }
    }
    return -1;
}

char* WaypointList::textRoom(qsizetype bytes) {
    const qsizetype room = (bytes + 1) & ~qsizetype{1};  // the next text, UTF-16 perhaps, stays aligned
    if (textBlocks_.empty() || textBlocks_.back().capacity - textBlocks_.back().used < room) {
        if (room <= kTextBlockBytes) {
            textBlocks_.push_back({static_cast<char*>(textSupply_.take()), kTextBlockBytes, 0});
        } else {
            textBlocks_.push_back({allocateTextBlock(room), room, 0});  // one text longer than a block
        }
    }
    TextBlock& block = textBlocks_.back();
    char* at = block.data + block.used;
    block.used += room;
    if (block.capacity == kTextBlockBytes) {
        textSupply_.filled(static_cast<std::size_t>(block.used));
    }
    return at;
}

void WaypointList::markDuplicate(int index) {
    WaypointRow& r = rows_[static_cast<size_t>(index)];
    r.setCell(column::kDuplicate, kDuplicateMark);
    r.redName = true;
}

void WaypointList::unmarkDuplicate(int index) {
    WaypointRow& r = rows_[static_cast<size_t>(index)];
    r.setCell(column::kDuplicate, QString());
    r.redName = false;
}

WaypointRow& RowStore::push_back(WaypointRow&& row) {
    if (size_ == chunks_.size() * kChunkRows) {
        chunks_.push_back(static_cast<WaypointRow*>(supply_.take()));
    }
    supply_.filled((size_ % kChunkRows + 1) * sizeof(WaypointRow));
    WaypointRow* at = new (chunks_.back() + size_ % kChunkRows) WaypointRow(std::move(row));
    ++size_;
    return *at;
}

void RowStore::clear() {
    for (std::size_t i = 0; i < size_; ++i) {
        (*this)[i].~WaypointRow();
    }
    for (WaypointRow* chunk : chunks_) {
        freeLargeBlock(chunk, kChunkBytes);
    }
    chunks_.clear();
    supply_.clear();
    size_ = 0;
}

WaypointList::~WaypointList() {
    clear();
}

void WaypointList::clear() {
    clearRows();
    sourceFiles_.clear();
}

quint32 WaypointList::beginSourceFile(const QString& path) {
    sourceFiles_.append(path);
    return static_cast<quint32>(sourceFiles_.size());
}

QString WaypointList::sourceFile(const WaypointRow& row) const {
    return row.sourceFile == 0 || row.sourceFile > static_cast<quint32>(sourceFiles_.size())
               ? QString()
               : sourceFiles_[static_cast<qsizetype>(row.sourceFile) - 1];
}

void WaypointList::clearRows() {
    rows_.clear();
    rowCountSoFar_.store(0, std::memory_order_relaxed);
    for (const TextBlock& block : textBlocks_) {
        freeLargeBlock(block.data, static_cast<size_t>(block.capacity));
    }
    textBlocks_.clear();
    textSupply_.clear();
    for (KeyIndex& keyIndex : indexes_) {
        keyIndex.rows.clear();
        keyIndex.built = false;
    }
    namesMayRepeat_ = false;
}

void WaypointList::removeRows(QList<int> indexes) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    // The rows that stay are copied out (each copy owns its text) and appended again: the storage
    // is packed anew and the indexes are built afresh when next asked for, from the rows that stay.
    std::vector<WaypointRow> kept;
    kept.reserve(static_cast<size_t>(std::max<qsizetype>(rowCount() - indexes.size(), 0)));
    auto removed = indexes.cbegin();
    for (int r = 0; r < rowCount(); ++r) {
        while (removed != indexes.cend() && *removed < r) {
            ++removed;
        }
        if (removed == indexes.cend() || *removed != r) {
            kept.push_back(row(r));
        }
    }
    if (kept.size() == static_cast<size_t>(rowCount())) {
        return;
    }
    const bool mayRepeat = namesMayRepeat_;  // removing rows makes no name repeat
    clearRows();
    for (const WaypointRow& r : kept) {
        appendWaypointRow(r);
    }
    namesMayRepeat_ = mayRepeat;
}

}  // namespace vintrel
