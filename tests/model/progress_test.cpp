#include "model/progress.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>

using namespace vintrel;

namespace {

// A clock that moves only when told, or by a fixed step at every reading.
struct StepClock : Clock {
    mutable QDateTime now{QDate(2024, 1, 2), QTime(3, 4, 5)};
    qint64 stepMs = 0;
    QDateTime localNow() const override {
        const QDateTime t = now;
        now = now.addMSecs(stepMs);
        return t;
    }
};

}  // namespace

TEST(Progress, ShownOnlyAfterHalfASecondThenAFewTimesASecond) {
    StepClock clock;
    ProgressThrottle throttle(clock, kProgressDelayMs, kProgressIntervalMs);
    int shown = 0;
    // Asked every 10 ms for two seconds: nothing in the first half second, then four a second.
    for (int ms = 0; ms < 2000; ms += 10) {
        if (throttle.due()) {
            ++shown;
            EXPECT_GE(ms, 500);
        }
        clock.now = clock.now.addMSecs(10);
    }
    EXPECT_EQ(shown, 6);  // at 500, 750, 1000, 1250, 1500 and 1750 ms
}

TEST(Progress, FollowingShowsTheFileAndRowsThenErasesTheLine) {
    QLocale::setDefault(QLocale(QLocale::English));
    StepClock clock;
    clock.stepMs = 300;  // every reading of the clock is 300 ms later
    WorkProgress progress;
    progress.setFile("caches.gpx");
    std::atomic<bool> done{false};
    QStringList shown;
    int rows = 12344;
    followProgress(
        progress, done, clock, [&] { return ++rows; },
        [&](const QString& text) {
            shown.append(text);
            if (shown.size() == 3) {
                done.store(true);  // the work ends after the third report
            }
        });
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0], "Reading caches.gpx: 12,345 rows");
    EXPECT_EQ(shown[2], "Reading caches.gpx: 12,347 rows");
    EXPECT_EQ(shown[3], "");  // the line is erased when the work is done
    // A write counts its rows of the list's.
    WorkProgress writing;
    writing.setFile("out.gdb");
    writing.setSize(5000);
    writing.addDone(1234);
    EXPECT_EQ(progressText(writing, -1), "Writing out.gdb: 1,234 of 5,000 rows");

    done.store(true);  // work that ends at once shows nothing at all
    shown.clear();
    followProgress(
        progress, done, clock, [] { return 0; }, [&](const QString& text) { shown.append(text); });
    EXPECT_TRUE(shown.isEmpty());
}
