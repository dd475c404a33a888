// The local wall clock, behind an interface so tests can fix the time.
#pragma once

#include <QDateTime>

namespace vintrel {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual QDateTime localNow() const = 0;
};

class SystemClock : public Clock {
  public:
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }
};

}  // namespace vintrel
