#pragma once
// The local clock, as a seam: time codes and dates come from here, so tests can fix the moment
// instead of waiting for it.
#include <ctime>

namespace plat {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current moment broken into local calendar fields (time() + localtime_r()).
  virtual std::tm LocalNow() const = 0;
};

// The clock in use: the system clock unless a test installed another.
const Clock& CurrentClock();
// Installs a clock (not owned); nullptr goes back to the system clock.
void SetClock(const Clock* clock);

// A clock that always answers one moment, for tests and tools.
class FixedClock : public Clock {
 public:
  explicit FixedClock(const std::tm& when) : when_(when) {}
  std::tm LocalNow() const override { return when_; }
  void Set(const std::tm& when) { when_ = when; }

 private:
  std::tm when_;
};

}  // namespace plat
