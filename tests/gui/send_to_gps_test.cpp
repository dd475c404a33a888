#include "gui/device_watch.h"
#include "window_fixture.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

namespace vintrel::test {
namespace {

// Units made of folders, listed in a mount table of the test's own: the machine's mounts are never
// looked at.
class SendToGps : public ::testing::Test {
  protected:
    SendToGps() {
        search_.mountTable = dir_.filePath("mounts");
        search_.runtimeDir.clear();
        mount({});
    }
    QString unit(const QString& name, const QByteArray& model) {
        const QString root = dir_.filePath(name);
        QDir().mkpath(root + "/Garmin");
        EXPECT_TRUE(writeFile(root + "/Garmin/GarminDevice.xml",
                              "<Device><Model><Description>" + model + "</Description></Model></Device>"));
        return root;
    }
    void mount(const QStringList& roots) {
        QByteArray table = "/dev/sda1 / ext4 rw 0 0\n";
        for (const QString& root : roots) {
            table += "/dev/sdb1 " + root.toUtf8() + " vfat rw 0 0\n";
        }
        EXPECT_TRUE(writeFile(search_.mountTable, table));
    }

    QTemporaryDir dir_;
    DeviceSearch search_;
    FakeDialogs dialogs_;
    FakeMessages messages_;
    FakeLauncher launcher_;
    FixedClock clock_;
};

TEST_F(SendToGps, TheButtonFollowsTheUnitsAndSendsToTheOneChosen) {
    Form1 form(Form1Services{&dialogs_, &messages_, &launcher_, nullptr, &clock_, u'.', nullptr, search_});
    form.show();
    auto* send = form.findChild<QPushButton*>("cmdSendToGps");
    auto* watch = form.findChild<DeviceWatch*>();
    ASSERT_NE(send, nullptr);
    ASSERT_NE(watch, nullptr);
    form.importPaths({dataPath("crlf_multi.loc")});
    ASSERT_GT(form.waypoints().rowCount(), 0);
    EXPECT_TRUE(send->isVisible());
    EXPECT_FALSE(send->isEnabled());  // no unit plugged in

    const QString etrex = unit("ETREX", "eTrex 30");
    const QString oregon = unit("OREGON", "Oregon 750");
    mount({etrex});
    EXPECT_TRUE(watch->checkNow());
    EXPECT_TRUE(send->isEnabled());
    send->click();
    const QString sent = etrex + "/Garmin/GPX/crlf_multi.gpx";
    EXPECT_TRUE(QFile::exists(sent));
    auto* out = form.findChild<QLabel*>("lblOutFile");
    EXPECT_TRUE(out->text().contains("Sent to eTrex 30")) << out->text().toStdString();

    // Two units: the user picks the second; a second send to the first adds nothing.
    mount({etrex, oregon});
    EXPECT_TRUE(watch->checkNow());
    messages_.choice = 1;
    send->click();
    EXPECT_EQ(messages_.choices, (QStringList{"eTrex 30 (" + etrex + ")", "Oregon 750 (" + oregon + ")"}));
    EXPECT_TRUE(QFile::exists(oregon + "/Garmin/GPX/crlf_multi.gpx"));
    const QByteArray before = readAll(sent);
    messages_.choice = 0;
    send->click();
    EXPECT_EQ(readAll(sent), before);
    EXPECT_TRUE(out->text().startsWith("0 records added to")) << out->text().toStdString();

    mount({});
    EXPECT_TRUE(watch->checkNow());
    EXPECT_FALSE(send->isEnabled());
    EXPECT_FALSE(watch->checkNow());  // nothing changed since
}

}  // namespace
}  // namespace vintrel::test
