// What the text readers share: the loop over a file's lines, the checks of a record's fields and
// the reports of the records they skip.
#pragma once

#include "import/reader_support.h"
#include "import/row_batch.h"
#include "import/text/fields.h"
#include "import/text/line_reader.h"

#include <functional>
#include <memory>

namespace vintrel {

// What every text reader's handler starts from. The loop hands it the lines in order.
class TextRecordHandler {
  public:
    TextRecordHandler(ImportContext& context, ReadResult& result, ProblemLog& log)
        : context_(context), result_(result), log_(log) {}
    virtual ~TextRecordHandler() = default;

    // How the reader's lines are split, and how many of their fields it uses.
    virtual FieldSeparator separator() const = 0;
    virtual std::size_t keptFields() const = 0;
    // One line; false ends the reading there.
    virtual bool onLine(const TextLine& line) = 0;
    // After the last line handed over, when the file could be opened.
    virtual void onEnd() = 0;

    // Whether a large file may be read in pieces on several threads, each line handed to the
    // handler of its piece (see import/pieces.h): only for a reader whose records each stand on
    // a line of their own, made from that line alone.
    virtual bool readsInPieces() const { return false; }
    // The handler of one piece of a file keeps its records in `batch`; `startsFile`: its first line
    // is the file's first.
    void setBatch(RowBatch* batch, bool startsFile) {
        batch_ = batch;
        startsFile_ = startsFile;
    }
    // Appends a record unless the list holds it already, as one of this file's.
    void commit(const WaypointDraft& row, DuplicateRule rule, QStringView address);

    void setLineNumber(long line) { line_ = line; }
    // Whether the reading was asked to stop: checked before every line, with how far it came.
    bool stopWanted(qint64 bytesRead) const {
        if (context_.progress == nullptr) {
            return false;
        }
        context_.progress->setDone(bytesRead);
        return context_.progress->cancelled();
    }
    void setFileEmpty(bool empty) { fileEmpty_ = empty; }
    // Whether the file gave no row, no duplicate and no problem: nothing in it looked like a record.
    bool gaveNothing() const {
        return result_.appended == 0 && duplicates_ == 0 && result_.problems.isEmpty() &&
               result_.skips.isEmpty() && !result_.alert;
    }

  protected:
    // The line handed over now: counted from the file's first, or in a piece from the piece's.
    long lineNumber() const { return line_; }
    bool onFirstLine() const { return startsFile_ && line_ == 1; }
    bool fileEmpty() const { return fileEmpty_; }

    // The fields of a comma-separated record line, or nullptr for a line that holds no record: a
    // blank one, passed over silently, or one with fewer than three fields, reported as skipped.
    const std::vector<QString>* commaRecord(const TextLine& line);

    // The position from a record's latitude and longitude fields, or nullopt after reporting the
    // record (by `name`) as skipped with the reason.
    std::optional<Position> positionOrSkip(QStringView lat, QStringView lon, const QString& name);

    // Reports the record of the current line as skipped.
    void skip(const QString& name, const QString& reason) { log_.skipped(line_, name, reason); }
    // Reports a field of the line that was cut; `fieldNames` names the kept fields in order.
    void reportCut(const TextLine& line, const QString& name, std::initializer_list<const char*> fieldNames);

    // Appends a finished record unless the list holds it already under `rule` (a piece's handler
    // keeps it in its batch).
    void addRecord(const WaypointDraft& row, DuplicateRule rule, QStringView address = {});

    ImportContext& context_;
    ReadResult& result_;
    ProblemLog& log_;

  private:
    long line_ = 0;
    int duplicates_ = 0;
    bool fileEmpty_ = false;
    RowBatch* batch_ = nullptr;
    bool startsFile_ = true;
};

using TextHandlerMaker =
    std::function<std::unique_ptr<TextRecordHandler>(ImportContext&, ReadResult&, ProblemLog&)>;

// Hands the lines of `path` to `handler`, then ends the file; a file that cannot be opened or read
// to its end is reported through `log`. A large file is read in pieces on several threads, each
// through a handler `make` gives, when the handler allows it.
void runTextRecords(const QString& path, ImportContext& context, TextRecordHandler& handler, ProblemLog& log,
                    const TextHandlerMaker& make);

// Reads one text file through a handler derived from TextRecordHandler.
template <class Handler>
ReadResult readTextRecords(const QString& path, ImportContext& context) {
    ReadResult result;
    ProblemLog log(result, path);
    Handler handler(context, result, log);
    runTextRecords(path, context, handler, log, [](ImportContext& c, ReadResult& r, ProblemLog& l) {
        return std::unique_ptr<TextRecordHandler>(new Handler(c, r, l));
    });
    log.finish();
    return result;
}

// Where a text file is read on one thread from: its start, or where its pieces stopped.
struct TextStart {
    qint64 offset = 0;
    long linesBefore = 0;
    bool utf8 = false;  // bytes beyond ASCII before it were UTF-8
};

struct TextPiecesRead {
    enum class End {
        NotInPieces,  // small, or not a regular file, or its reader reads on one thread
        Done,         // read to its end
        Cancelled,    // at line `rest.linesBefore + 1`
        OneThread,    // the rest is to be read on one thread, from `rest`
    };
    End end = End::NotInPieces;
    TextStart rest;
};

// Reads a large file in pieces when it can; what the pieces skipped is told to `log`.
TextPiecesRead readTextPieces(const QString& path, ImportContext& context, TextRecordHandler& handler,
                              ProblemLog& log, const TextHandlerMaker& make);

enum class LinesEnd { Read, StoppedByHandler, Cancelled };
// Hands the lines of `reader` to `handler` until the reader ends, the handler says to stop or the
// reading is cancelled.
LinesEnd handLines(LineReader& reader, TextRecordHandler& handler);

}  // namespace vintrel
