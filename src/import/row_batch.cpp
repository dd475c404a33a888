#include "import/row_batch.h"

#include <algorithm>

namespace vintrel {

void RowBatch::add(const WaypointDraft& draft, DuplicateRule rule, QStringView address) {
    Record r;
    r.textAt = text_.size();
    quint32 at = 0;
    for (std::size_t c = 0; c < draft.cells.size(); ++c) {
        const QString& cell = draft.cells[c];
        const auto* units = reinterpret_cast<const char16_t*>(cell.constData());
        text_.insert(text_.end(), units, units + cell.size());
        at += static_cast<quint32>(cell.size());
        r.ends[c] = at;
    }
    const auto* units = reinterpret_cast<const char16_t*>(address.data());
    text_.insert(text_.end(), units, units + address.size());
    r.addressEnd = at + static_cast<quint32>(address.size());
    r.rule = rule;
    r.icon = draft.icon;
    r.hasPosition = draft.hasPosition;
    r.form = draft.form;
    r.lat = draft.lat;
    r.lon = draft.lon;
    r.sourceLat = draft.sourceLat;
    r.sourceLon = draft.sourceLon;
    records_.push_back(r);
}

void RowBatch::clear() {
    records_.clear();
    text_.clear();
}

}  // namespace vintrel
