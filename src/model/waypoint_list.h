// The waypoint list: the one store of imported rows, shared by the readers, the writers, the
// window's grid and the command line.
//
// A row has twelve text cells (column 0 carries no text, only the row's icon), its position as
// numbers, an icon role and a red-name flag. Data rows are numbered from 0 here; the window's grid
// shows them below its header. One call appends a record or reports it as a duplicate under the
// reader's rule; hash indexes on the name (exact and case-folded) and on the start of the
// description make every look-up O(1), so an import stays linear whatever the names.
#pragma once

#include "base/huge_pages.h"
#include "model/column_layout.h"
#include "model/coordinates.h"
#include "model/row_index.h"
#include "model/text_keys.h"

#include <QAnyStringView>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace vintrel {

// The picture a row shows in column 0.
enum class IconRole : quint8 {
    None,
    Geocache,
    Waypoint,
    Traditional,
    Webcam,
    Multi,
    Mystery,
    Event,
    Virtual,
    Locationless,
    Empty,
    Gatso,
    RedLight,
    Specs,
    Mobile,
    EncryptYes,
    EncryptNo,
};

inline constexpr IconRole kIconRoles[] = {
    IconRole::Geocache,     IconRole::Waypoint, IconRole::Traditional, IconRole::Webcam,
    IconRole::Multi,        IconRole::Mystery,  IconRole::Event,       IconRole::Virtual,
    IconRole::Locationless, IconRole::Empty,    IconRole::Gatso,       IconRole::RedLight,
    IconRole::Specs,        IconRole::Mobile,   IconRole::EncryptYes,  IconRole::EncryptNo,
};

// The lower-case name of a role's picture control without its "pic" prefix ("geocache",
// "redlight", ...); empty for IconRole::None.
QString iconRoleName(IconRole role);

// The text a row's column 8 holds when its name stands twice: in the list (a dropped record) or in
// the file a list was added to.
inline const QString kDuplicateMark = QStringLiteral("1");

// How a row writes its position in columns 3 to 6 (see coordinates.h).
struct PositionForm {
    MinutesRule rule = MinutesRule::Cut;
    quint8 decimals = 7;        // of columns 5 and 6
    char16_t separator = u'.';  // the user's decimal separator, in columns 5 and 6
};

// A row while a reader fills it in. `lat` and `lon` are the values the decimal cells (columns 5 and
// 6) show.
struct WaypointDraft {
    std::array<QString, kColumnCount> cells;
    IconRole icon = IconRole::None;
    double lat = 0;
    double lon = 0;

    QString& cell(int col) { return cells[static_cast<size_t>(col)]; }

    // The position as the file gave it: columns 3 to 6 are made from it when they are asked for,
    // not kept as text (a list of a million rows would spend a third of its memory on them), and
    // `lat`/`lon` become the values columns 5 and 6 show.
    // `latDecimals` and `lonDecimals` are the decimals of the texts they were read from, -1 if unknown.
    void setPosition(double sourceLat, double sourceLon, const PositionForm& form, int latDecimals = -1,
                     int lonDecimals = -1);
    bool hasPosition = false;
    double sourceLat = 0;
    double sourceLon = 0;
    PositionForm form;
};

// A listed row. Its twelve cells share one text, one byte a character when every character is
// Latin-1 (nearly every row), else UTF-16; inside a list that text lives in the list's large text
// blocks, so the largest files, with a million rows, cost no allocation per row and less memory
// than the files themselves.
class WaypointRow {
  public:
    WaypointRow() { ends_.fill(0); }
    explicit WaypointRow(const WaypointDraft& draft);
    // A copy owns its text, wherever the original kept it.
    WaypointRow(const WaypointRow& other);
    WaypointRow& operator=(const WaypointRow& other);
    WaypointRow(WaypointRow&&) noexcept = default;
    WaypointRow& operator=(WaypointRow&&) noexcept = default;

    // The text of a kept cell, Latin-1 or UTF-16. Columns 3 to 6 of a row made from a position are
    // not kept: cell() makes them.
    QAnyStringView cellView(int col) const {
        const quint32 start = col == 0 ? 0 : ends_[static_cast<size_t>(col - 1)];
        const qsizetype length = ends_[static_cast<size_t>(col)] - start;
        if (wide_) {
            return QStringView(static_cast<const char16_t*>(text_) + start, length);
        }
        return QLatin1StringView(static_cast<const char*>(text_) + start, length);
    }
    QString cell(int col) const;
    // The raw degree-minute text at the end of column 3 or 4 ("N5141.12460", "W00011.23400"),
    // without making the whole cell: written into `buffer` when the row makes it from its
    // position, else a view of the kept cell's end.
    QAnyStringView rawDM(int col, std::array<char, 16>& buffer) const;
    void setCell(int col, const QString& text);

    IconRole icon = IconRole::None;
    bool redName = false;
    // A speed alert the row came with (a POI file's), in hundredths of a metre a second; 0: none.
    // A writer that sets alerts takes it over any speed the name or file name gives.
    quint16 alertSpeed = 0;
    // The input file the row was read from: WaypointList::sourceFile() gives its path; 0: none.
    quint32 sourceFile = 0;
    // The position: the exact values of the decimal cells, read once when the row was made.
    double lat = 0;
    double lon = 0;

    bool isMarkedDuplicate() const { return cellView(column::kDuplicate) == QLatin1StringView("1"); }
    // Whether the list knows the row by its name and its place together (a camera, a waypoint
    // without a name), not by its name alone: its name may stand on other rows too.
    bool keyedByPlace() const { return keyedByPlace_; }

  private:
    friend class WaypointList;

    bool hasPosition_ = false;
    bool keyedByPlace_ = false;
    PositionForm form_;
    double sourceLat_ = 0;
    double sourceLon_ = 0;
    // A row of the draft's position and icon whose text is yet to be given.
    struct NoText {};
    WaypointRow(const WaypointDraft& draft, NoText);
    void copyAllButText(const WaypointRow& other);
    // Keeps `cells` as the row's text, in a buffer of its own.
    void own(const std::array<QString, kColumnCount>& cells);
    // The bytes `cells` take as one text, and whether it must be UTF-16.
    static qsizetype packedBytes(const std::array<QString, kColumnCount>& cells, bool& wide);
    // Writes `cells` to `text` (packedBytes() of room) and makes it the row's text.
    void pack(const std::array<QString, kColumnCount>& cells, bool wide, char* text);
    qsizetype textBytes() const { return (wide_ ? 2 : 1) * static_cast<qsizetype>(ends_.back()); }

    const void* text_ = nullptr;  // the row's own buffer, or (inside a list) a place in the list's blocks
    std::unique_ptr<char[]> owned_;
    bool wide_ = false;                       // UTF-16, else Latin-1
    std::array<quint32, kColumnCount> ends_;  // end of each cell in the text, in characters
};

// The list's rows, in chunks of four megabytes: a row never moves once added, a million rows cost
// a few dozen allocations, and each chunk is offered huge pages, which a large import feels.
class RowStore {
  public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;
    ~RowStore() { clear(); }

    std::size_t size() const { return size_; }
    const WaypointRow& operator[](std::size_t i) const { return chunks_[i / kChunkRows][i % kChunkRows]; }
    WaypointRow& operator[](std::size_t i) { return chunks_[i / kChunkRows][i % kChunkRows]; }
    WaypointRow& push_back(WaypointRow&& row);
    void clear();
    void expectLarge() { supply_.expectLarge(); }

    class const_iterator {
      public:
        const_iterator(const RowStore* store, std::size_t i) : store_(store), i_(i) {}
        const WaypointRow& operator*() const { return (*store_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return i_ != other.i_; }

      private:
        const RowStore* store_;
        std::size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

  private:
    static constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
    static constexpr std::size_t kChunkRows = kChunkBytes / sizeof(WaypointRow);
    std::vector<WaypointRow*> chunks_;
    BlockSupply supply_{kChunkBytes};
    std::size_t size_ = 0;
};

// When a record counts as one the list already holds. A record without a name is one only of a
// listed row without a name at the same place (as NameAndPlaceIgnoringCase compares places): a
// nameless waypoint is known by where it is.
enum class DuplicateRule {
    // A non-empty name equal to a listed one, letter case mattering; the listed row stays as it is.
    ExactName,
    // A name equal to listed ones ignoring letter case; every such listed row is marked.
    NameIgnoringCase,
    // A name equal to listed ones ignoring letter case at the same place: both coordinates the same
    // when rounded to 1e-5 degrees (about a metre). Camera lists name their cameras by their limit
    // ("max@50" hundreds of times); every such listed row is marked.
    NameAndPlaceIgnoringCase,
    // The record's address equal, ignoring letter case, to the first 17 characters of the
    // descriptions of listed wireless-network rows (those with an encryption icon), where they keep
    // their addresses; every such row is marked.
    AddressIgnoringCase,
};

class WaypointList {
  public:
    WaypointList();
    ~WaypointList();
    WaypointList(const WaypointList&) = delete;
    WaypointList& operator=(const WaypointList&) = delete;

    // Header texts of columns 0 to 11 (column 0 and column 11 are empty).
    static const QStringList& headerTexts();

    int rowCount() const { return static_cast<int>(rows_.size()); }
    // The row count as another thread may read it while a reader appends: for progress displays.
    int rowCountSoFar() const { return rowCountSoFar_.load(std::memory_order_relaxed); }
    const WaypointRow& row(int index) const { return rows_[static_cast<size_t>(index)]; }
    const RowStore& rows() const { return rows_; }

    // Appends the record unless the list holds it already under `rule`, which then counts a
    // duplicate and marks the listed rows as the rule says. `address` is the key of
    // AddressIgnoringCase. Returns the new row's index, or -1 for a duplicate.
    int appendUnlessDuplicate(const WaypointDraft& draft, DuplicateRule rule, QStringView address = {});

    // Says that a file of `bytes` is about to be read into the list. A large one (a megabyte or
    // more) makes the list take its storage in huge pages from the start; a small list keeps to
    // small pages, so that a file of a few waypoints costs a few pages, not megabytes.
    void expectInput(qint64 bytes);

    // Says that a record of this name is coming under `rule`, while a reader still parses the rest
    // of it: the index slot it will look up is fetched into the cache meanwhile, which a list too
    // large for the cache feels on every record.
    void expectName(DuplicateRule rule, const QString& name);

    // Appends a row whatever the list holds; returns its index.
    int appendWaypointRow(const WaypointRow& row);

    // Whether two rows may hold the same name: false while every named row was appended under a
    // rule that finds its name among the rows before it (ExactName, NameIgnoringCase), so that
    // writers which need distinct names need not look for repeats.
    bool namesMayRepeat() const { return namesMayRepeat_; }

    // Records dropped as duplicates since the count was last reset (the import driver resets it
    // before every file, so after several files it counts the last one's).
    int duplicateCount() const { return duplicateCount_; }
    void resetDuplicateCount() { duplicateCount_ = 0; }

    // The newest row whose name equals `name` exactly, or -1.
    int findRowByName(QStringView name) const;

    // Sets the duplicate mark "1" in column 8 and shows the row's name in red.
    void markDuplicate(int index);
    // Takes the mark back from a row that had none before it was marked.
    void unmarkDuplicate(int index);

    // Empties the list.
    void clear();

    // Says that the rows appended from now on are read from the file at `path`: each row that names
    // no file of its own keeps the returned number in WaypointRow::sourceFile.
    quint32 beginSourceFile(const QString& path);
    // The path of a row's input file; empty when it came from none.
    QString sourceFile(const WaypointRow& row) const;

    // Removes the rows at `indexes` (any order; an index out of range is ignored); the others keep
    // their order, their cells and their marks (the record that repeated a marked row was left out
    // and stays out). A later record is compared with the rows that stay only.
    void removeRows(QList<int> indexes);

  private:
    // Empties the rows, their text and their indexes; the input files stay known.
    void clearRows();
    // Room for `bytes` of text in the list's own storage: rows' texts are packed into large blocks
    // instead of one small allocation each, which the largest files feel.
    char* textRoom(qsizetype bytes);
    // Adds a row whose text is in the list's storage; `chain` is where `known` keeps the row's key
    // when the caller looked it up already.
    int addRow(WaypointRow&& row, int known = -1, const RowIndex::Chain* chain = nullptr);
    // The keys rows are found by. An index is built the first time a record or a look-up asks for
    // it and kept up from then on: each reader uses one rule, so an import keeps one index, not
    // three.
    enum Key { kExactName, kFoldedName, kAddress, kNameAndPlace, kKeyCount };
    static size_t keyHash(Key key, const WaypointRow& row);
    RowIndex& index(Key key) const;
    // Whether the chain from `head` holds a row `same` accepts; with `mark`, marks every such row.
    template <class Same>
    bool findMatches(RowIndex& index, int head, size_t hash, bool mark, const Same& same);

    RowStore rows_;
    struct TextBlock {
        char* data;
        qsizetype capacity;
        qsizetype used;
    };
    std::vector<TextBlock> textBlocks_;
    static constexpr qsizetype kTextBlockBytes = 4 * 1024 * 1024;
    BlockSupply textSupply_{kTextBlockBytes};
    struct KeyIndex {
        RowIndex rows;
        bool built = false;
    };
    mutable std::array<KeyIndex, kKeyCount> indexes_;
    // The name expectName() was told and its hash under that rule's key.
    QString expectedName_;
    Key expectedKey_ = kKeyCount;
    size_t expectedHash_ = 0;
    QStringList sourceFiles_;  // the paths of sourceFile numbers 1, 2, ...
    int duplicateCount_ = 0;
    bool namesMayRepeat_ = false;
    std::atomic<int> rowCountSoFar_{0};
};

}  // namespace vintrel
