#include "model/waypoint_list.h"

#include <gtest/gtest.h>

using namespace vintrel;

namespace {

WaypointDraft named(const QString& name, const QString& description = QString()) {
    WaypointDraft draft;
    draft.cell(column::kName) = name;
    draft.cell(column::kDescription) = description;
    return draft;
}

// A wireless network's row, which keeps its address at the start of its description.
WaypointDraft network(const QString& name, const QString& description) {
    WaypointDraft draft = named(name, description);
    draft.icon = IconRole::EncryptNo;
    return draft;
}

QList<int> markedRows(const WaypointList& list) {
    QList<int> marked;
    for (int r = 0; r < list.rowCount(); ++r) {
        if (list.row(r).isMarkedDuplicate()) {
            EXPECT_TRUE(list.row(r).redName) << "row " << r;
            marked.append(r);
        }
    }
    return marked;
}

}  // namespace

TEST(DuplicateRules, NameIgnoringCaseMarksEveryEarlierRowOnceAndCountsRecords) {
    WaypointList list;
    list.appendUnlessDuplicate(named("abc"), DuplicateRule::ExactName);
    list.appendUnlessDuplicate(named("Other"), DuplicateRule::ExactName);
    list.appendUnlessDuplicate(named("ABC"), DuplicateRule::ExactName);
    EXPECT_EQ(list.appendUnlessDuplicate(named("aBc"), DuplicateRule::NameIgnoringCase), -1);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 2}));
    EXPECT_EQ(list.appendUnlessDuplicate(named("ABC"), DuplicateRule::NameIgnoringCase), -1);
    EXPECT_EQ(list.duplicateCount(), 2);  // one per dropped record, however many rows it matched
    // A row of that name listed after the marking is marked by the next duplicate too.
    EXPECT_EQ(list.appendUnlessDuplicate(named("Abc"), DuplicateRule::ExactName), 3);
    EXPECT_EQ(list.appendUnlessDuplicate(named("other "), DuplicateRule::NameIgnoringCase), 4);
    EXPECT_EQ(list.appendUnlessDuplicate(named("abC"), DuplicateRule::NameIgnoringCase), -1);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 2, 3}));
    // Letter by letter: accented letters match their other case, a sharp s is not "SS".
    list.appendUnlessDuplicate(named(QString::fromUtf8("Straße Été")), DuplicateRule::NameIgnoringCase);
    EXPECT_EQ(list.appendUnlessDuplicate(named(u"STRASSE ETE"_qs), DuplicateRule::NameIgnoringCase), 6);
    EXPECT_EQ(
        list.appendUnlessDuplicate(named(QString::fromUtf8("STRAßE éTÉ")), DuplicateRule::NameIgnoringCase),
        -1);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 2, 3, 5}));
    list.resetDuplicateCount();
    EXPECT_EQ(list.duplicateCount(), 0);
}

TEST(DuplicateRules, CamerasAndNamelessRowsAreKnownByNameAndPlace) {
    struct Record {
        const char* name;
        double lat, lon;
        DuplicateRule rule;
        int index;  // the new row's, or -1 for a duplicate
    };
    constexpr auto kCamera = DuplicateRule::NameAndPlaceIgnoringCase;
    constexpr auto kExact = DuplicateRule::ExactName;
    constexpr auto kIgnoringCase = DuplicateRule::NameIgnoringCase;
    const Record records[] = {
        {"Radar", 45, 5, kExact, 0},           // listed before any record asked by place
        {"RADAR", 45.000004, 5, kCamera, -1},  // the same place to 1e-5 degrees: marks row 0
        {"max@50", 48.1, 2.1, kCamera, 1},
        {"max@50", 48.2, 2.1, kCamera, 2},             // another place: another camera
        {"MAX@50", 48.100004, 2.099996, kCamera, -1},  // marks row 1 only
        {"max@50", 48.10001, 2.1, kCamera, 3},         // 1e-5 degrees away
        {"max@70", 48.2, 2.1, kCamera, 4},             // another name at a place taken
        {"", 1, 1, kExact, 5},
        {"", 1, 1, kExact, -1},  // marks nothing, as the rule never does
        {"", 1, 1.00001, kExact, 6},
        {"", 1, 1, kIgnoringCase, -1},          // marks row 5
        {"", 1, 1.00001, kCamera, -1},          // marks row 6
        {"Max@50", 10, 10, kIgnoringCase, -1},  // a name alone, as the reader's rule says: marks 1-3
    };
    WaypointList list;
    for (const Record& r : records) {
        WaypointDraft draft = named(r.name);
        draft.lat = r.lat;
        draft.lon = r.lon;
        EXPECT_EQ(list.appendUnlessDuplicate(draft, r.rule), r.index)
            << r.name << " " << r.lat << " " << r.lon;
    }
    EXPECT_EQ(list.duplicateCount(), 6);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 1, 2, 3, 5, 6}));
    // Rows known by their place may share a name; the others never do.
    EXPECT_FALSE(list.row(0).keyedByPlace());
    EXPECT_TRUE(list.row(1).keyedByPlace());
    EXPECT_TRUE(list.row(5).keyedByPlace());
    EXPECT_TRUE(list.namesMayRepeat());
    WaypointList plain;
    plain.appendUnlessDuplicate(named("A"), kExact);
    plain.appendUnlessDuplicate(named("b"), kIgnoringCase);
    EXPECT_FALSE(plain.namesMayRepeat());
}

TEST(DuplicateRules, AddressComparesWithTheStartOfEveryNetworkDescription) {
    WaypointList list;
    // Rows listed before any record asked by address are found as well as later ones; a row of
    // another kind whose description begins alike is no network.
    list.appendUnlessDuplicate(network("0001:Net", "00:0F:66:12:34:56 (AP) Ch6"), DuplicateRule::ExactName);
    WaypointDraft cache = named("Cache", "00:0F:66:AA:BB:CC is painted on it");
    cache.icon = IconRole::Traditional;
    list.appendUnlessDuplicate(cache, DuplicateRule::ExactName);
    EXPECT_EQ(list.appendUnlessDuplicate(network("0003:Other", "00:0f:66:aa:bb:cc (AP) Ch1"),
                                         DuplicateRule::AddressIgnoringCase, u"00:0f:66:aa:bb:cc"),
              2);
    EXPECT_EQ(list.appendUnlessDuplicate(named("0004:Net", "x"), DuplicateRule::AddressIgnoringCase,
                                         u"00:0f:66:12:34:56"),
              -1);
    EXPECT_EQ(list.appendUnlessDuplicate(named("0004:Other", "x"), DuplicateRule::AddressIgnoringCase,
                                         u"00:0F:66:AA:BB:CC"),
              -1);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 2}));
    EXPECT_EQ(list.appendUnlessDuplicate(network("0004:Short", "00:11 (AP) Ch1"),
                                         DuplicateRule::AddressIgnoringCase, u"00:11"),
              3);
    EXPECT_EQ(list.duplicateCount(), 2);
    // Nor does one listed after the addresses were first looked up.
    WaypointDraft camera = named("Radar", "00:0F:66:DD:EE:FF speed camera");
    camera.icon = IconRole::Gatso;
    list.appendUnlessDuplicate(camera, DuplicateRule::ExactName);
    EXPECT_EQ(list.appendUnlessDuplicate(network("0005:Net", "00:0f:66:dd:ee:ff (AP) Ch1"),
                                         DuplicateRule::AddressIgnoringCase, u"00:0f:66:dd:ee:ff"),
              5);
}

TEST(DuplicateRules, ManyNamesDifferingOnlyInCaseStayExactAndAreMarkedTogether) {
    // 4096 spellings of one name: the exact rule keeps them all, and one record ignoring case marks
    // them all.
    WaypointList list;
    for (int bits = 0; bits < 4096; ++bits) {
        QString name = QStringLiteral("abcdefghijkz");
        for (int i = 0; i < 12; ++i) {
            if (bits & (1 << i)) {
                name[i] = name[i].toUpper();
            }
        }
        ASSERT_EQ(list.appendUnlessDuplicate(named(name), DuplicateRule::ExactName), bits);
        ASSERT_EQ(list.appendUnlessDuplicate(named(name), DuplicateRule::ExactName), -1);
    }
    EXPECT_EQ(list.findRowByName(u"ABCDEFGHIJKZ"), 4095);
    EXPECT_EQ(list.appendUnlessDuplicate(named("AbcdefghijkZ"), DuplicateRule::NameIgnoringCase), -1);
    EXPECT_EQ(markedRows(list).size(), 4096);
}

TEST(DuplicateRules, AnExpectedNameCountsOnlyForThatNameUnderThatRule) {
    WaypointList list;
    list.appendUnlessDuplicate(named("GC1"), DuplicateRule::ExactName);
    list.expectName(DuplicateRule::ExactName, "GC2");  // a record its reader then skipped
    EXPECT_EQ(list.appendUnlessDuplicate(named("GC1"), DuplicateRule::ExactName), -1);
    list.expectName(DuplicateRule::ExactName, "GC1");
    EXPECT_EQ(list.appendUnlessDuplicate(named("GC1"), DuplicateRule::NameIgnoringCase), -1);
    list.expectName(DuplicateRule::NameIgnoringCase, "GC3");
    EXPECT_EQ(list.appendUnlessDuplicate(named("GC3"), DuplicateRule::NameIgnoringCase), 1);
    list.expectName(DuplicateRule::NameIgnoringCase, "gc3");
    EXPECT_EQ(list.appendUnlessDuplicate(named("gc3"), DuplicateRule::ExactName), 2);
    EXPECT_EQ(list.appendUnlessDuplicate(named("Gc3"), DuplicateRule::NameIgnoringCase), -1);
    EXPECT_EQ(markedRows(list), (QList<int>{0, 1, 2}));
}

// Removing rows: the rest keep their order, cells and marks, and the next records are compared
// with them only, under every rule.
TEST(WaypointList, RemovedRowsLeaveTheRestAndTheirMarksAndAreNoLongerMatched) {
    const struct {
        QList<int> remove;
        QString names;  // what stays
    } cases[] = {
        {{1}, "GC1|gc1x|net"},
        {{3, 0, 3, 99, -1}, "abc|gc1x"},
        {{0, 1, 2, 3}, ""},
    };
    for (const auto& c : cases) {
        WaypointList list;
        list.appendUnlessDuplicate(named("GC1"), DuplicateRule::ExactName);
        list.appendUnlessDuplicate(named("abc"), DuplicateRule::ExactName);
        list.appendUnlessDuplicate(named("gc1x"), DuplicateRule::ExactName);
        list.appendUnlessDuplicate(network("net", "00:11:22:33:44:55"), DuplicateRule::ExactName);
        list.appendUnlessDuplicate(named("GC1X"), DuplicateRule::NameIgnoringCase);  // marks gc1x
        list.removeRows(c.remove);
        QStringList names;
        for (const WaypointRow& row : list.rows()) {
            names.append(row.cell(column::kName));
            EXPECT_EQ(row.isMarkedDuplicate(), row.cell(column::kName) == "gc1x");
        }
        EXPECT_EQ(names.join('|'), c.names);
        // A record is a duplicate exactly when a row that stays has its name or address.
        for (const auto& [draft, rule, address] :
             {std::tuple{named("GC1"), DuplicateRule::ExactName, QString()},
              std::tuple{named("ABC"), DuplicateRule::NameIgnoringCase, QString()},
              std::tuple{named("other"), DuplicateRule::AddressIgnoringCase, QString("00:11:22:33:44:55")}}) {
            const bool held = names.contains(draft.cells[column::kName], Qt::CaseInsensitive) ||
                              (!address.isEmpty() && names.contains("net"));
            const int before = list.rowCount();
            EXPECT_EQ(list.appendUnlessDuplicate(draft, rule, address) < 0, held)
                << draft.cells[column::kName].toStdString() << " after removing " << c.names.toStdString();
            list.removeRows({before});  // what was just added goes again
        }
    }
}

TEST(WaypointRow, PositionCellsAreMadeFromThePositionNotKept) {
    WaypointDraft draft;
    draft.cell(column::kName) = "GC1";
    draft.setPosition(51.68541, -0.18723334, PositionForm{MinutesRule::Cut, 7, u','});
    EXPECT_EQ(draft.lat, 51.68541);
    EXPECT_EQ(draft.lon, -0.1872333);  // the value column 6 shows
    WaypointList list;
    list.appendWaypointRow(WaypointRow(draft));
    const WaypointRow& row = list.row(0);
    EXPECT_TRUE(row.cellView(column::kLatDM).isEmpty());  // nothing kept
    EXPECT_EQ(row.cell(column::kLatDM), QString::fromUtf8("N51°41.124  N5141.12460"));
    EXPECT_EQ(row.cell(column::kLonDM), QString::fromUtf8("W000°11.234  W00011.23400"));
    EXPECT_EQ(row.cell(column::kLatDecimal), "51,6854100");
    EXPECT_EQ(row.cell(column::kLonDecimal), "-0,1872333");

    // The rounding rule and the decimals travel with the row.
    draft.setPosition(51.9999999999, 5.25, PositionForm{MinutesRule::LocRound, 5, u'.'});
    const WaypointRow loc(draft);
    EXPECT_EQ(loc.cell(column::kLatDM).right(11), "N5160.00000");
    EXPECT_EQ(loc.cell(column::kLonDecimal), "5.25000");
}

TEST(WaypointList, RowsPastTheFirstStorageChunksKeepTheirOrderAndIndexes) {
    // 100,000 rows fill more than one chunk of rows and make every index grow many times over.
    constexpr int kRows = 100000;
    WaypointList list;
    for (int round = 0; round < 2; ++round) {  // and again after clear(), into fresh storage
        for (int r = 0; r < kRows; ++r) {
            ASSERT_EQ(list.appendUnlessDuplicate(named(QString::number(r)), DuplicateRule::ExactName), r);
        }
        EXPECT_EQ(list.appendUnlessDuplicate(named("99999"), DuplicateRule::ExactName), -1);
        int expected = 0;
        for (const WaypointRow& row : list.rows()) {
            ASSERT_EQ(row.cellView(column::kName), QString::number(expected)) << "row " << expected;
            ++expected;
        }
        EXPECT_EQ(expected, kRows);
        for (const int r : {0, 40000, 40001, 80000, kRows - 1}) {
            EXPECT_EQ(list.findRowByName(QString::number(r)), r);
        }
        list.markDuplicate(kRows - 1);
        EXPECT_EQ(markedRows(list), QList<int>{kRows - 1});
        list.clear();
    }
}
