// The waypoint list: the one store of imported rows, shared by the readers, the writers, the
// window's grid and the command line.
//
// A row has twelve text cells (column 0 carries no text, only the row's icon), an icon role and a
// red-name flag. Data rows are numbered from 0 here; the window's grid shows them below its header.
// The list keeps hash indexes on the name column (exact and upper-cased), so a duplicate look-up
// never scans the rows.
#pragma once

#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <vector>

namespace vintrel {

// The picture a row shows in column 0.
enum class IconRole {
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

// The lower-case name of a role's picture control without its "pic" prefix ("geocache",
// "redlight", ...); empty for IconRole::None.
QString iconRoleName(IconRole role);

// Column alignment as the grid knows it.
enum class ColumnAlignment {
    General = 0,  // the grid's own choice; left for text
    Left = 1,     // left, vertically centred
    Right = 7,    // right, vertically centred
};

namespace column {
inline constexpr int kIcon = 0;
inline constexpr int kName = 1;
inline constexpr int kDescription = 2;
inline constexpr int kLatDM = 3;
inline constexpr int kLonDM = 4;
inline constexpr int kLatDecimal = 5;
inline constexpr int kLonDecimal = 6;
inline constexpr int kUrl = 7;
inline constexpr int kDuplicate = 8;
inline constexpr int kEncryption = 9;
inline constexpr int kSymbol = 10;
inline constexpr int kCategory = 11;
}  // namespace column

inline constexpr int kColumnCount = 12;

// The text a row's column 8 holds when the row must not be written to MapSource files.
inline const QString kDuplicateMark = QStringLiteral("1");

// A row while a reader fills it in.
struct WaypointDraft {
    std::array<QString, kColumnCount> cells;
    IconRole icon = IconRole::None;

    QString& cell(int col) { return cells[static_cast<size_t>(col)]; }
};

// A listed row. Its twelve cells share one string; inside a list that string lives in the list's
// large text blocks, so the largest files, with hundreds of thousands of rows, cost no allocation
// per row.
class WaypointRow {
  public:
    WaypointRow() { ends_.fill(0); }
    explicit WaypointRow(const WaypointDraft& draft);
    // A copy owns its text, wherever the original kept it.
    WaypointRow(const WaypointRow& other);
    WaypointRow& operator=(const WaypointRow& other);
    WaypointRow(WaypointRow&&) noexcept = default;
    WaypointRow& operator=(WaypointRow&&) noexcept = default;

    QStringView cellView(int col) const {
        const quint32 start = col == 0 ? 0 : ends_[static_cast<size_t>(col - 1)];
        return QStringView(text_).sliced(start, ends_[static_cast<size_t>(col)] - start);
    }
    QString cell(int col) const { return cellView(col).toString(); }
    void setCell(int col, const QString& text);

    IconRole icon = IconRole::None;
    bool redName = false;

    bool isMarkedDuplicate() const { return cellView(column::kDuplicate) == kDuplicateMark; }

  private:
    friend class WaypointList;

    QString text_;                            // owned, or (inside a list) a view of the list's text storage
    std::array<quint32, kColumnCount> ends_;  // end of each cell in text_
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
    const WaypointRow& row(int index) const { return rows_[static_cast<size_t>(index)]; }
    const std::deque<WaypointRow>& rows() const { return rows_; }

    // Records of the file being read that were dropped because their name was already listed.
    // Every reader resets it when it starts, so after several files it counts the last one's.
    int duplicateCount() const { return duplicateCount_; }
    void resetDuplicateCount() { duplicateCount_ = 0; }
    void countDuplicate() { ++duplicateCount_; }

    // Appends a row and keeps the indexes in step; returns the new row's index.
    int appendWaypointRow(WaypointRow row);

    enum class NameMatch { Exact, IgnoreCase };
    // The first row whose name equals `name` under `match`, or -1.
    int findRowByName(QStringView name, NameMatch match) const;
    // Every row whose name equals `name` ignoring letter case, in list order.
    QList<int> rowsWithNameIgnoringCase(QStringView name) const;

    // Sets the duplicate mark "1" in column 8 and shows the row's name in red.
    void markDuplicate(int index);

    // Empties the list to its header; widths and alignments are kept.
    void clear();

    int columnWidth(int col) const { return widths_[static_cast<size_t>(col)]; }  // twips
    void setColumnWidth(int col, int twips) { widths_[static_cast<size_t>(col)] = twips; }
    ColumnAlignment columnAlignment(int col) const { return alignments_[static_cast<size_t>(col)]; }
    void setColumnAlignment(int col, ColumnAlignment a) { alignments_[static_cast<size_t>(col)] = a; }

    // Names compare ignoring letter case, character by character (case folding); the hash agrees
    // with that comparison and is computed without building a second string.
    static size_t nameHash(QStringView name);
    static bool sameNameIgnoringCase(QStringView a, QStringView b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }

  private:
    // Keeps `text` in the list's own storage and returns where: rows' texts are packed into large
    // blocks instead of one small allocation each, which the largest files feel.
    const char16_t* storeText(QStringView text);

    // A deque grows in blocks: no copy of all rows when it grows, and no large freed buffers.
    std::deque<WaypointRow> rows_;
    struct TextBlock {
        char16_t* data;
        qsizetype capacity;
        qsizetype used;
    };
    std::vector<TextBlock> textBlocks_;
    // Hash of the upper-cased name -> the first row with that hash; further rows with the same
    // hash (the same name in other letter case, or a collision) are rare and kept apart. No key
    // text is stored: candidates are confirmed against the rows themselves.
    QHash<size_t, int> nameIndex_;
    QMultiHash<size_t, int> nameMore_;
    std::array<int, kColumnCount> widths_{};
    std::array<ColumnAlignment, kColumnCount> alignments_{};
    int duplicateCount_ = 0;
};

}  // namespace vintrel
