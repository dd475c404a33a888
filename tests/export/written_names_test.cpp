#include "export/written_names.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

struct Row {
    QString name;
    QString description;
    bool camera = false;  // appended as a camera list's rows are: known by name and place
    double lat = 0;       // 0: the row's own place, by its index
};

// The name each row is written with; "(held)" and "(left out)" for the rows not written.
QStringList writtenNames(const QList<Row>& rows, NameForm form, const HeldWaypoints* held = nullptr,
                         bool useDescriptions = true, QStringList* sentences = nullptr) {
    WaypointList list;
    for (const Row& r : rows) {
        WaypointDraft d;
        d.cell(column::kName) = r.name;
        d.cell(column::kDescription) = r.description;
        d.lat = r.lat != 0 ? r.lat : list.rowCount() + 1;
        d.lon = 7;
        list.appendUnlessDuplicate(
            d, r.camera ? DuplicateRule::NameAndPlaceIgnoringCase : DuplicateRule::NameIgnoringCase);
    }
    EXPECT_EQ(list.rowCount(), rows.size());
    const WrittenNames names(list, form, useDescriptions, held);
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r) {
        switch (names.fate(r)) {
            case WrittenNames::Fate::Held:
                out.append("(held)");
                break;
            case WrittenNames::Fate::LeftOut:
                out.append("(left out)");
                break;
            default:
                out.append(names.name(r).toString());
        }
    }
    if (sentences != nullptr) {
        *sentences = names.sentences();
    }
    return out;
}

// A file's names and the latitudes of its waypoints.
struct Held : HeldWaypoints {
    QSet<QByteArray> names;
    QSet<double> latitudes;
    bool holdsName(const QByteArray& bytes) const override { return names.contains(bytes); }
    bool holdsPlace(const WaypointRow& row) const override { return latitudes.contains(row.lat); }
};

}  // namespace

TEST(WrittenNames, EveryRowGetsADistinctNameTheFileCanHold) {
    const QString decomposed = QString::fromUtf8("Cafe\xCC\x81");
    const QString composed = QString::fromUtf8("Caf\xC3\xA9");
    const struct {
        const char* what;
        NameForm form;
        QList<Row> rows;
        QStringList names;
    } cases[] = {
        {"from the description, cleaned, else numbered",
         NameForm::Cp1252,
         {{"", " Parking \t lot\nnorth "}, {"", ""}, {"", ""}, {"A", ""}},
         {"Parking lot north", "WPT001", "WPT002", "A"}},
        {"a long description cut at a word's end",
         NameForm::Cp1252,
         {{"", "Parking at the northern entrances"}, {"", QString(40, u'x')}},
         {"Parking at the northern", QString(30, u'x')}},
        {"made names keep clear of names rows have, even later ones",
         NameForm::Cp1252,
         {{"", ""}, {"", "Gate"}, {"", "Gate"}, {"WPT001", ""}, {"Gate", ""}},
         {"WPT002", "Gate 2", "Gate 3", "WPT001", "Gate"}},
        {"repeated camera names keep their speed tail last",
         NameForm::Cp1252,
         {{"max@50", "", true},
          {"max@50", "", true},
          {"MAX@50", "", true},
          {"max 2@50", ""},
          {"@30", "", true},
          {"@30", "", true}},
         {"max@50", "max 3@50", "MAX@50", "max 2@50", "@30", "2@30"}},
        {"names the code page writes alike",
         NameForm::Cp1252,
         {{QString::fromUtf8("漢字"), ""}, {QString::fromUtf8("字漢"), ""}, {decomposed, ""}, {composed, ""}},
         {QString::fromUtf8("漢字"), QString::fromUtf8("字漢 2"), decomposed, composed + " 2"}},
        {"UTF-8 keeps every character; composing still makes one name",
         NameForm::Utf8,
         {{QString::fromUtf8("漢字"), ""}, {QString::fromUtf8("字漢"), ""}, {decomposed, ""}, {composed, ""}},
         {QString::fromUtf8("漢字"), QString::fromUtf8("字漢"), decomposed, composed + " 2"}},
        {"six characters: cut names, tails and descriptions",
         NameForm::Pcx5,
         {{"GC9NEW1", ""},
          {"GC9NEW2", ""},
          {"max@50", "", true},
          {"max@50", "", true},
          {"", "Parking lot"},
          {"", "Parking place"},
          {"", ""},
          {"Home  ", ""},
          {"Home", ""}},
         {"GC9NEW1", "GC9NE2", "max@50", "ma2@50", "Parkin", "Parki2", "WPT001", "Home  ", "Home2"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(writtenNames(c.rows, c.form), c.names) << c.what;
    }
    // With the descriptions left out of the file, they do not name rows either.
    EXPECT_EQ(writtenNames({{"", "Gate"}}, NameForm::Cp1252, nullptr, false), QStringList{"WPT001"});
}

TEST(WrittenNames, AnAddHoldsWhatTheFileHasAndNamesAroundIt) {
    Held held;
    held.names = {"WPT001", "Gate", "max@50", "max 2@50"};
    held.latitudes = {48.1, 48.2, 3};
    const QList<Row> rows = {
        {"Gate", ""},                // held by its name
        {"max@50", "", true, 48.1},  // a camera the file has: held by its place
        {"max@50", "", true, 48.2},  // the file's "max 2@50"
        {"max@50", "", true, 48.3},  // a new camera of a name the file has
        {"", "", false, 3},          // nameless at a place the file has
        {"", ""},                    // a new nameless one
        {"", "Gate"},                // named from its description, clear of the file's "Gate"
        {"Gatehouse", ""},           // new
    };
    QStringList sentences;
    EXPECT_EQ(
        writtenNames(rows, NameForm::Cp1252, &held, true, &sentences),
        (QStringList{"(held)", "(held)", "(held)", "max 3@50", "(held)", "WPT002", "Gate 2", "Gatehouse"}));
    EXPECT_EQ(sentences, (QStringList{
                             "1 waypoint without a name was written as WPT002.",
                             "1 waypoint without a name was named from its description (such as \"Gate 2\").",
                             "1 waypoint whose name the file would hold twice was given a number (such as "
                             "\"max@50\", written as \"max 3@50\").",
                         }));

    // Numbered names past what six characters hold as WPTnnn drop letters.
    Held numbered;
    for (int n = 1; n <= 999; ++n) {
        numbered.names.insert(QStringLiteral("WPT%1").arg(n, 3, 10, QChar(u'0')).toLatin1());
    }
    EXPECT_EQ(writtenNames({{"", ""}}, NameForm::Pcx5, &numbered), QStringList{"WP1000"});
}

TEST(WrittenNames, ANumberLeavingNoRoomForASpeedTailDropsTheTail) {
    // Past 999 the number takes the place of the tail: a name of its own comes before the speed.
    QList<Row> rows;
    for (int i = 0; i < 1001; ++i) {
        rows.append({"max@50", "", true});
    }
    const QStringList written = writtenNames(rows, NameForm::Pcx5);
    EXPECT_EQ(written.mid(998), (QStringList{"999@50", "ma1000", "ma1001"}));
    EXPECT_EQ(written.value(9), "m10@50");
    EXPECT_EQ(QSet<QString>(written.begin(), written.end()).size(), 1001);
}
