#include "model/waypoint_list.h"

#include <gtest/gtest.h>

using namespace vintrel;

namespace {
WaypointRow named(const QString& name) {
    WaypointDraft draft;
    draft.cell(column::kName) = name;
    return WaypointRow(draft);
}
}  // namespace

TEST(WaypointList, HeaderAndShape) {
    const QStringList& h = WaypointList::headerTexts();
    ASSERT_EQ(h.size(), kColumnCount);
    EXPECT_EQ(h.join('|'),
              "|Waypoint |Description|Latitude|Longitude|Latitude|Longitude|http|dup|Encryption|Symbol|");
    WaypointList list;
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.columnWidth(column::kIcon), 300);
    EXPECT_EQ(list.columnWidth(column::kName), 1980);
}

TEST(WaypointList, NameLookupsStayInStepWithAppendsAndClear) {
    WaypointList list;
    EXPECT_EQ(list.appendWaypointRow(named("GC1")), 0);
    EXPECT_EQ(list.appendWaypointRow(named("gc1")), 1);
    EXPECT_EQ(list.appendWaypointRow(named("Other")), 2);
    EXPECT_EQ(list.findRowByName(u"gc1", WaypointList::NameMatch::Exact), 1);
    EXPECT_EQ(list.findRowByName(u"GC1", WaypointList::NameMatch::Exact), 0);
    EXPECT_EQ(list.findRowByName(u"Gc1", WaypointList::NameMatch::Exact), -1);
    EXPECT_EQ(list.findRowByName(u"Gc1", WaypointList::NameMatch::IgnoreCase), 0);
    EXPECT_EQ(list.rowsWithNameIgnoringCase(u"GC1"), (QList<int>{0, 1}));
    // Letter by letter: accented letters match their other case, a sharp s is not "SS".
    list.appendWaypointRow(named(QString::fromUtf8("Straße Été")));
    EXPECT_EQ(list.findRowByName(QString::fromUtf8("STRAßE éTÉ"), WaypointList::NameMatch::IgnoreCase), 3);
    EXPECT_EQ(list.findRowByName(u"STRASSE ETE", WaypointList::NameMatch::IgnoreCase), -1);
    list.markDuplicate(1);
    EXPECT_TRUE(list.row(1).isMarkedDuplicate());
    EXPECT_TRUE(list.row(1).redName);
    EXPECT_FALSE(list.row(0).isMarkedDuplicate());

    list.setColumnWidth(column::kDescription, 5718);
    const WaypointRow copied = list.row(0);  // a copy owns its text: it outlives the list's storage
    list.clear();
    EXPECT_EQ(copied.cell(column::kName), "GC1");
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.findRowByName(u"GC1", WaypointList::NameMatch::IgnoreCase), -1);
    EXPECT_EQ(list.columnWidth(column::kDescription), 5718);
    EXPECT_EQ(list.appendWaypointRow(named("GC1")), 0);
    EXPECT_EQ(list.findRowByName(u"GC1", WaypointList::NameMatch::Exact), 0);
}

TEST(WaypointRow, CellsShareOneBufferAndStayApart) {
    WaypointDraft draft;
    for (int c = 1; c < kColumnCount; ++c) {
        draft.cell(c) = QString(c, QChar(u'a' + c));
    }
    draft.cell(column::kDuplicate).clear();
    WaypointRow row(draft);
    EXPECT_EQ(row.cell(0), "");
    EXPECT_EQ(row.cell(1), "b");
    EXPECT_EQ(row.cell(7), "hhhhhhh");
    EXPECT_EQ(row.cell(8), "");
    EXPECT_EQ(row.cell(11), "lllllllllll");
    EXPECT_FALSE(row.isMarkedDuplicate());
    row.setCell(column::kDuplicate, kDuplicateMark);
    row.setCell(column::kName, "longer name");
    EXPECT_TRUE(row.isMarkedDuplicate());
    EXPECT_EQ(row.cell(1), "longer name");
    EXPECT_EQ(row.cell(2), "cc");
    EXPECT_EQ(row.cell(11), "lllllllllll");
    row.setCell(column::kCategory, "");
    EXPECT_EQ(row.cell(11), "");
    EXPECT_EQ(row.cell(10), "kkkkkkkkkk");
}

TEST(WaypointList, IconRoleNamesAreThePictureNames) {
    EXPECT_EQ(iconRoleName(IconRole::None), "");
    EXPECT_EQ(iconRoleName(IconRole::RedLight), "redlight");
    EXPECT_EQ(iconRoleName(IconRole::EncryptNo), "encryptno");
    EXPECT_EQ(iconRoleName(IconRole::Locationless), "locationless");
}
