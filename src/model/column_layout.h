// The grid's columns: what each holds, its alignment, and its width in twips, which depends on the
// kind of list shown, the number of rows and the decimal toggle.
#pragma once

#include <QString>

#include <array>

namespace vintrel {

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

// Column alignment as the grid knows it.
enum class ColumnAlignment {
    General = 0,  // the grid's own choice; left for text
    Left = 1,     // left, vertically centred
    Right = 7,    // right, vertically centred
};

// How the last file read wants the list laid out: wireless-network lists (NetStumbler exports)
// have a wide name column and a narrower description, and have no use for a waypoint colour.
enum class ListView { Waypoints, Networks };

// Widths in twips of the description and the two coordinate pairs; the hidden pair gets 1 twip.
struct CoordinateViewWidths {
    int description;
    int latDM;
    int lonDM;
    int latDecimal;
    int lonDecimal;
};

// The decimal toggle: one coordinate pair shown, the other hidden; the description narrower once
// more than eight rows bring a scroll bar.
CoordinateViewWidths applyCoordinateView(ListView view, int rowCount, bool decimalChecked);

// The description width the waypoint readers set when a file ends with rows in the list.
int descriptionWidthAfterImport(int rowCount);

// The widths the network reader sets when a file ends.
inline constexpr int kNetworkNameWidth = 3100;
int networkDescriptionWidth(int rowCount);

// Widths no rule above sets.
inline constexpr int kIconWidth = 300;
inline constexpr int kNameWidth = 1980;
inline constexpr int kOtherWidth = 1000;

// The grid's column widths (twips; 1 for a hidden column) and alignments, as the files read so far
// and the decimal toggle leave them. The window keeps one for its list; clearing the list keeps it.
class ColumnLayout {
  public:
    ColumnLayout();
    int width(int col) const { return widths_[static_cast<size_t>(col)]; }
    ColumnAlignment alignment(int col) const { return alignments_[static_cast<size_t>(col)]; }

    // A file's reading came to its end with `appended` rows of it added and `rowCount` rows in the
    // list: names and descriptions turn left-aligned once a file added rows, the description width
    // follows the row count, a network list takes its wide names, and a file whose decimal
    // coordinates are right-aligned (`decimalsRight`) aligns them so once it added rows.
    void afterFile(ListView view, bool decimalsRight, int appended, int rowCount);
    // The decimal toggle: see applyCoordinateView().
    void showCoordinates(ListView view, int rowCount, bool decimalChecked);

  private:
    std::array<int, kColumnCount> widths_{};
    std::array<ColumnAlignment, kColumnCount> alignments_{};
};

}  // namespace vintrel
