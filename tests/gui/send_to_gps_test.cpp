#include "devices/fake_units.h"
#include "gui/device_watch.h"
#include "window_fixture.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

namespace vintrel::test {
namespace {

class SendToGps : public ::testing::Test {
  protected:
    FakeUnits units_;
    FakeDialogs dialogs_;
    FakeMessages messages_;
    FakeLauncher launcher_;
    FixedClock clock_;
};

TEST_F(SendToGps, TheButtonFollowsTheUnitsAndSendsToTheOneChosen) {
    Form1 form(
        Form1Services{&dialogs_, &messages_, &launcher_, nullptr, &clock_, u'.', nullptr, units_.search});
    form.show();
    auto* send = form.findChild<QPushButton*>("cmdSendToGps");
    auto* watch = form.findChild<DeviceWatch*>();
    ASSERT_NE(send, nullptr);
    ASSERT_NE(watch, nullptr);
    form.importPaths({dataPath("crlf_multi.loc")});
    ASSERT_GT(form.waypoints().rowCount(), 0);
    EXPECT_TRUE(send->isVisible());
    EXPECT_FALSE(send->isEnabled());  // no unit plugged in

    const QString etrex = units_.unit("ETREX", "eTrex 30");
    const QString oregon = units_.unit("OREGON", "Oregon 750");
    units_.mount({etrex});
    EXPECT_TRUE(watch->checkNow());
    EXPECT_TRUE(send->isEnabled());
    send->click();
    const QString sent = etrex + "/Garmin/GPX/crlf_multi.gpx";
    EXPECT_TRUE(QFile::exists(sent));
    auto* out = form.findChild<QLabel*>("lblOutFile");
    EXPECT_TRUE(out->text().contains("Sent to eTrex 30")) << out->text().toStdString();

    // Two units: the user picks one.
    units_.mount({etrex, oregon});
    EXPECT_TRUE(watch->checkNow());
    messages_.choice = 1;
    send->click();
    EXPECT_EQ(messages_.choices, (QStringList{"eTrex 30 (" + etrex + ")", "Oregon 750 (" + oregon + ")"}));
    EXPECT_TRUE(QFile::exists(oregon + "/Garmin/GPX/crlf_multi.gpx"));
}

}  // namespace
}  // namespace vintrel::test
