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

}  // namespace vintrel
