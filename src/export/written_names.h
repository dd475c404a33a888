// The names waypoints are written with in the files that need a distinct, non-empty name for
// every waypoint: MapSource's GDB and MPS, and PCX5's .wpt, whose readers keep one waypoint of a
// name. The list keeps showing each row as it was read; only the file gets the name made for it.
//
// A row keeps its own name when the file does not hold that name already (as the file writes it:
// the same bytes). Otherwise, and for a row without a name, a name is made:
//   - a row without a name: from its description (spaces made single, cut to the file's length at
//     a word's end where one falls in the second half), else numbered: WPT001, WPT002, ... (more
//     digits past 999; fewer letters where six characters must hold them);
//   - a repeated name, or one the file writes as the same bytes as another ("max@50" on every
//     camera of a list, "GC9NEW1" and "GC9NEW2" cut to six characters): a number after it, in front
//     of a speed tail ("@50"), which camera loaders read from the end of a name: "max 2@50",
//     "max 3@50"; in a six-character field the name is cut to make room ("max@50" -> "ma2@50").
// The first row of a name keeps it; rows that keep their own names are settled before any name is
// made, so a made name never takes the name of a later row. When no name fits (a million rows in
// six characters), the row is left out and counted; nothing is written with a name half made.
//
// Adding to a file: a row the file holds already is held (not written): a row known by its name,
// when the file holds its name; a row known by its place as well (a camera, a row without a name),
// when the file holds a waypoint at its place, as the file writes places.
#pragma once

#include "model/waypoint_list.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace vintrel {

// How a file writes a waypoint's name, which says which names are the same in it.
enum class NameForm {
    Cp1252,  // windows-1252 bytes, '?' for what the code page lacks: GDB versions 1 and 2, MPS
    Utf8,    // UTF-8 of the composed (NFC) text: GDB version 3
    Pcx5,    // the six-byte name field of a .wpt line: cut, blank-padded
};

// The bytes `name` is written as in a file of `form`.
QByteArray writtenNameBytes(QAnyStringView name, NameForm form);

// A name as a message quotes it: its first 40 characters, "…" marking a cut.
QString quotedName(const QString& name);

// What an existing file holds, for an add.
class HeldWaypoints {
  public:
    virtual ~HeldWaypoints() = default;
    // Whether the file holds a waypoint named `bytes`: a name as writtenNameBytes() gives it.
    virtual bool holdsName(const QByteArray& bytes) const = 0;
    // Whether the file holds a waypoint at the place of `row`, in the file's own resolution.
    virtual bool holdsPlace(const WaypointRow& row) const = 0;
};

class WrittenNames {
  public:
    enum class Fate : quint8 {
        Own,      // written with its own name
        Made,     // written with a name made for it
        Held,     // not written: the file holds it already
        LeftOut,  // not written: no distinct name was left for it
    };

    // `useDescriptions`: rows without a name may be named from their descriptions (not when the
    // descriptions are left out of the file).
    WrittenNames(const WaypointList& list, NameForm form, bool useDescriptions = true,
                 const HeldWaypoints* held = nullptr);

    Fate fate(int row) const { return fates_.empty() ? Fate::Own : fates_[static_cast<size_t>(row)]; }
    // The name row `row` is written with.
    QAnyStringView name(int row) const;

    int leftOutCount() const { return leftOut_; }
    // What the user is told: how many rows were named and how, and how many were left out and why.
    QStringList sentences() const;

  private:
    const WaypointList& list_;
    std::vector<Fate> fates_;  // empty: every row keeps its own name
    QHash<int, QString> made_;
    int leftOut_ = 0;
    // For the report: rows named by number (the first and last names), from descriptions, and
    // repeated names given a number (the first one as an example).
    int numbered_ = 0;
    QString firstNumbered_, lastNumbered_;
    int described_ = 0;
    QString firstDescribed_;
    int renumbered_ = 0;
    QString firstRepeated_, firstRenumbered_;
    NameForm form_;

    friend class NameMaker;
};

}  // namespace vintrel
