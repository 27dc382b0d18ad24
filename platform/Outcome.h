#pragma once
// The one error convention of the project: an operation that can fail returns an Outcome,
// which says whether it worked and, when not, why (what failed and where).
#include <string>
#include <utility>

namespace plat {

class [[nodiscard]] Outcome {
 public:
  static Outcome Ok() { return Outcome(true, {}); }
  static Outcome Fail(std::string why) { return Outcome(false, std::move(why)); }

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  // Empty when ok().
  const std::string& why() const { return why_; }

 private:
  Outcome(bool ok, std::string why) : ok_(ok), why_(std::move(why)) {}
  bool ok_;
  std::string why_;
};

}  // namespace plat
