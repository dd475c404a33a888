// Building blocks every reader shares: position checks, the position cells, the type icons and the
// problem texts.
#pragma once

#include "import/read_result.h"
#include "model/coordinates.h"
#include "model/field_text.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel {

// fieldText() put into `out`, whose buffer is reused when it is its own: readers keep one string
// per field and fill it for every record, without an allocation each time.
void setFieldText(QString& out, std::string_view utf8);

// An input text as a message quotes it: at most its first 40 characters, "…" marking a cut.
QString shortQuote(const QString& text);

struct Position {
    double lat;
    double lon;
    // The decimals the file wrote each with, when it wrote no exponent; -1 when not known.
    int latDecimals = -1;
    int lonDecimals = -1;
};

// Checks a record's coordinate texts as found in the input. On failure `reason` says why, in
// words for the user ("latitude \"abc\" is not a number", "longitude 200 is outside ±180").
// Texts are UTF-8; nullopt means the attribute was missing.
std::optional<Position> checkPosition(const std::optional<std::string>& latText,
                                      const std::optional<std::string>& lonText, QString& reason);

// Columns 3 to 6 and the row's position numbers from a checked position; `decimals` is the number
// of decimals of columns 5 and 6.
void setPositionCells(WaypointDraft& row, const Position& pos, MinutesRule rule, QChar decimalSeparator,
                      int decimals);

// The row icon of a geocache type text (compared in lower case; compound types get Empty).
IconRole iconForCacheType(const QString& type);

// Keeps the report of one file: the problems of the file as a whole, and the records skipped, of
// which the first ones are listed and the rest counted.
class ProblemLog {
  public:
    ProblemLog(ReadResult& result, const QString& path);
    void skipped(long line, const QString& name, const QString& reason);
    // A sentence about records skipped together (NetStumbler's networks without a fix), listed with
    // the skipped records; `count` of them.
    void skippedTogether(int count, const QString& sentence);
    // A repair made to the file while reading it, said once per kind: listed before the other
    // problems.
    void repaired(long line, const QString& what);
    // The file could not be read to its end: `line` where it stopped (0: not known), `why` a clause
    // that says what happened there.
    void stoppedEarly(long line, const QString& why);
    // A sentence about the file as a whole, always listed.
    void note(const QString& sentence);
    // A field of a record too long to keep whole: its first megabyte was kept.
    void cut(long line, const QString& name, const QString& field);
    // Adds the count of unlisted skips; call once when the file is done.
    void finish();
    const QString& fileName() const { return fileName_; }

    // From now on the records skipped and the fields cut are kept to be told by replay(), not
    // told now: the log of one piece of a file read on several threads, whose lines are counted
    // from the piece's start.
    void keepForReplay() { keeping_ = true; }
    // Tells `into` what was kept, in order, each line moved on by `lines`.
    void replay(ProblemLog& into, long lines) const;

  private:
    bool roomForOneMore();  // false once twenty records are listed: the rest are counted
    static QString record(const QString& name);

    ReadResult& result_;
    QString fileName_;
    int listed_ = 0;
    int unlisted_ = 0;
    int repairs_ = 0;
    struct Kept {
        long line;
        QString name;
        QString text;  // the reason a record was skipped, or the name of the field cut
        bool cut;
    };
    bool keeping_ = false;
    std::vector<Kept> kept_;
};

// Common end of a file: the advice text when the whole list is empty after a document of the format
// that held no waypoint (when it held some and all were skipped, the first reason, in its place);
// the result says the reader came to its end.
void finishFile(ImportContext& context, ReadResult& result, const QString& advice);

// The whole of a binary file; empty, with the reason logged, when it cannot be opened or is empty.
QByteArray readWholeFile(const QString& path, ProblemLog& log);

// The advice for a geocache file that gave nothing, ending in the reader's own last sentence.
QString easyGpsAdvice(const QString& lastSentence);

}  // namespace vintrel
