#include "model/column_layout.h"

namespace vintrel {

namespace {
constexpr int kHidden = 1;
constexpr int kLatWidth = 1350;
constexpr int kLonWidth = 1450;
constexpr int kRowsWithoutScrollBar = 8;
}  // namespace

CoordinateViewWidths applyCoordinateView(ListView view, int rowCount, bool decimalChecked) {
    CoordinateViewWidths w{};
    w.description = view == ListView::Networks ? networkDescriptionWidth(rowCount)
                                               : descriptionWidthAfterImport(rowCount);
    if (decimalChecked) {
        w.latDM = w.lonDM = kHidden;
        w.latDecimal = kLatWidth;
        w.lonDecimal = kLonWidth;
    } else {
        w.latDM = kLatWidth;
        w.lonDM = kLonWidth;
        w.latDecimal = w.lonDecimal = kHidden;
    }
    return w;
}

int descriptionWidthAfterImport(int rowCount) {
    return rowCount > kRowsWithoutScrollBar ? 5718 : 6000;
}

int networkDescriptionWidth(int rowCount) {
    return rowCount > kRowsWithoutScrollBar ? 3918 : 4200;
}

ColumnLayout::ColumnLayout() {
    widths_.fill(kOtherWidth);
    alignments_.fill(ColumnAlignment::General);
    widths_[column::kIcon] = kIconWidth;
    widths_[column::kName] = kNameWidth;
    showCoordinates(ListView::Waypoints, 0, false);
}

void ColumnLayout::afterFile(ListView view, bool decimalsRight, int appended, int rowCount) {
    if (appended > 0) {
        alignments_[column::kName] = alignments_[column::kDescription] = ColumnAlignment::Left;
        if (decimalsRight) {
            alignments_[column::kLatDecimal] = alignments_[column::kLonDecimal] = ColumnAlignment::Right;
        }
    }
    if (view == ListView::Networks) {
        widths_[column::kName] = kNetworkNameWidth;
        widths_[column::kDescription] = networkDescriptionWidth(rowCount);
    } else if (rowCount > 0) {
        widths_[column::kDescription] = descriptionWidthAfterImport(rowCount);
    }
}

void ColumnLayout::showCoordinates(ListView view, int rowCount, bool decimalChecked) {
    const CoordinateViewWidths w = applyCoordinateView(view, rowCount, decimalChecked);
    widths_[column::kDescription] = w.description;
    widths_[column::kLatDM] = w.latDM;
    widths_[column::kLonDM] = w.lonDM;
    widths_[column::kLatDecimal] = w.latDecimal;
    widths_[column::kLonDecimal] = w.lonDecimal;
}

}  // namespace vintrel
