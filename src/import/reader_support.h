// Building blocks the readers share: position checks, the position cells, the type icons and the
// problem texts.
#pragma once

#include "model/coordinates.h"
#include "import/read_result.h"
#include "import/xml/xml_stream.h"

#include <optional>

namespace vintrel {

struct Position {
    double lat;
    double lon;
};

// Checks a record's coordinate texts as found in the input. On failure `reason` says why, in
// words for the user ("latitude \"abc\" is not a number", "longitude 200 is outside ±180").
// Texts are UTF-8; nullopt means the attribute was missing.
std::optional<Position> checkPosition(const std::optional<std::string>& latText,
                                      const std::optional<std::string>& lonText, QString& reason);

// A record's position as checked where its coordinates stand; the line is looked up only for a bad
// one, since asking expat for line numbers costs a scan of the text.
struct CheckedPosition {
    std::optional<Position> position;
    QString reason;
    long line = 0;
};

// Columns 3 to 6 from a checked position.
void setPositionCells(WaypointDraft& row, const Position& pos, MinutesRule rule, QChar decimalSeparator);

// The row icon of a geocache type text (compared in lower case; compound types get Empty).
IconRole iconForCacheType(const QString& type);

// Keeps the record-level problems of one file short: the first ones are listed, the rest counted.
class ProblemLog {
  public:
    ProblemLog(ReadResult& result, const QString& path);
    void skipped(long line, const QString& name, const QString& reason);
    void xmlError(const XmlParseOutcome& outcome);
    // Adds the count of unlisted problems; call once when the file is done.
    void finish();

  private:
    ReadResult& result_;
    QString fileName_;
    int unlisted_ = 0;
};

// Common end of a file: the advice text when the whole list is empty, else the description width;
// names and descriptions are left-aligned once rows were added.
void finishFile(ImportContext& context, ReadResult& result, const QString& advice);

// The advice for a geocache file that gave nothing, ending in the reader's own last sentence.
QString easyGpsAdvice(const QString& lastSentence);

// What every XML reader's handler starts from.
class WaypointXmlHandler : public XmlHandler {
  public:
    WaypointXmlHandler(ImportContext& context, ReadResult& result, ProblemLog& log)
        : context_(context), result_(result), log_(log) {}
    void setStream(const XmlStream* stream) { stream_ = stream; }

  protected:
    long currentLine() const { return stream_->currentLine(); }
    CheckedPosition checkPositionHere(const std::optional<std::string>& lat,
                                      const std::optional<std::string>& lon) const {
        CheckedPosition checked;
        checked.position = checkPosition(lat, lon, checked.reason);
        if (!checked.position) {
            checked.line = currentLine();
        }
        return checked;
    }

    ImportContext& context_;
    ReadResult& result_;
    ProblemLog& log_;
    int depth_ = 0;
    int waypointDepth_ = 0;  // depth of the open waypoint element, 0 outside one

  private:
    const XmlStream* stream_ = nullptr;
};

// Streams one XML file through a handler derived from WaypointXmlHandler, recording an error that
// stops the file; the duplicate count starts again at 0.
template <class Handler>
ReadResult readXmlWaypoints(const QString& path, ImportContext& context) {
    ReadResult result;
    ProblemLog log(result, path);
    context.list.resetDuplicateCount();
    Handler handler(context, result, log);
    XmlStream stream(handler);
    handler.setStream(&stream);
    const XmlParseOutcome outcome = stream.parseFile(path);
    if (!outcome.ok) {
        log.xmlError(outcome);
    }
    log.finish();
    return result;
}

}  // namespace vintrel
