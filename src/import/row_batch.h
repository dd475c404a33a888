// The records one piece of a file gave, kept in order until they are handed to the list: each as
// the draft, duplicate rule and address its reader would have appended. The texts of all of them
// share one buffer, so a piece of thousands of records costs a few allocations, not one per cell.
#pragma once

#include "model/waypoint_list.h"

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace vintrel {

class RowBatch {
  public:
    void add(const WaypointDraft& draft, DuplicateRule rule, QStringView address);
    std::size_t size() const { return records_.size(); }
    // Empties the batch; its buffers are kept for the next piece.
    void clear();

    // Hands the records to `take(const WaypointDraft&, DuplicateRule, QStringView address)` in the
    // order they were added. The draft's texts are valid during the call only.
    template <class Take>
    void forEach(Take&& take) const {
        WaypointDraft draft;
        for (const Record& r : records_) {
            const char16_t* const text = text_.data() + r.textAt;
            quint32 start = 0;
            for (std::size_t c = 0; c < draft.cells.size(); ++c) {
                const quint32 end = r.ends[c];
                draft.cells[c] = end == start
                                     ? QString()
                                     : QString::fromRawData(reinterpret_cast<const QChar*>(text + start),
                                                            static_cast<qsizetype>(end - start));
                start = end;
            }
            draft.icon = r.icon;
            draft.lat = r.lat;
            draft.lon = r.lon;
            draft.hasPosition = r.hasPosition;
            draft.sourceLat = r.sourceLat;
            draft.sourceLon = r.sourceLon;
            draft.form = r.form;
            take(static_cast<const WaypointDraft&>(draft), r.rule,
                 QStringView(text + start, static_cast<qsizetype>(r.addressEnd - start)));
        }
    }

  private:
    struct Record {
        std::size_t textAt;                      // where its texts start in text_
        std::array<quint32, kColumnCount> ends;  // the end of each cell, from textAt
        quint32 addressEnd;                      // the address follows the cells
        DuplicateRule rule;
        IconRole icon;
        bool hasPosition;
        PositionForm form;
        double lat, lon, sourceLat, sourceLon;
    };
    std::vector<Record> records_;
    std::vector<char16_t> text_;
};

}  // namespace vintrel
