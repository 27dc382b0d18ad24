#include "platform/Clock.h"

namespace plat {
namespace {

class SystemClock : public Clock {
 public:
  std::tm LocalNow() const override {
    std::time_t now = std::time(nullptr);
    std::tm out{};
    localtime_r(&now, &out);
    return out;
  }
};

const SystemClock kSystemClock;
const Clock* gClock = &kSystemClock;

}  // namespace

const Clock& CurrentClock() {
  return *gClock;
}

void SetClock(const Clock* clock) {
  gClock = clock ? clock : &kSystemClock;
}

}  // namespace plat
