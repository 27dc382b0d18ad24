#include "engine/AttrSnapshot.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The largest value Linux keeps in one extended attribute; a read this large is never cut.
constexpr size_t kLargestAttr = 64 * 1024;

}  // namespace

plat::Outcome AttrSnapshot::Take(const plat::Node& node, std::initializer_list<const char*> names) {
  entries_.clear();
  std::vector<uint8_t> buf(kLargestAttr);
  for (const char* name : names) {
    Entry e;
    e.name = name;
    ssize_t r = node.ReadAttr(name, plat::B_ANY_TYPE, 0, buf.data(), buf.size());
    if (r >= 0) {
      e.present = true;
      e.value.assign(buf.begin(), buf.begin() + r);
    } else if (r != -ENODATA) {
      return plat::Outcome::Fail(std::string("can't read the attribute ") + name + ": " +
                                 std::strerror(int(-r)));
    }
    entries_.push_back(std::move(e));
  }
  return plat::Outcome::Ok();
}

plat::Outcome AttrSnapshot::Restore(plat::Node& node) const {
  plat::Outcome first = plat::Outcome::Ok();
  std::vector<uint8_t> buf(kLargestAttr);
  for (const Entry& e : entries_) {
    // An attribute that is as it was is left alone: a step that failed without changing
    // anything needs no undoing, even when the file still refuses that change.
    ssize_t now = node.ReadAttr(e.name.c_str(), plat::B_ANY_TYPE, 0, buf.data(), buf.size());
    if (!e.present && now == -ENODATA) continue;
    if (e.present && now == ssize_t(e.value.size()) &&
        std::equal(e.value.begin(), e.value.end(), buf.begin())) {
      continue;
    }
    std::string failure;
    if (e.present) {
      ssize_t r =
          node.WriteAttr(e.name.c_str(), plat::B_RAW_TYPE, 0, e.value.data(), e.value.size());
      if (r < 0) {
        failure = std::strerror(int(-r));
      } else if (size_t(r) != e.value.size()) {
        failure = "short write";
      }
    } else {
      int r = node.RemoveAttr(e.name.c_str());
      if (r != 0 && r != -ENODATA) failure = std::strerror(-r);
    }
    if (!failure.empty() && first) {
      first = plat::Outcome::Fail("can't put back the attribute " + e.name + ": " + failure);
    }
  }
  return first;
}
