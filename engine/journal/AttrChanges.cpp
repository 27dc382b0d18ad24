#include "engine/journal/AttrChanges.h"

#include <cerrno>

#include "platform/AttrBackend.h"

namespace {

Step Failed(FaultCode what, const std::string& name, int err) {
  return Step::Fail(Fault(what).Name(name).Err(err));
}

// Whether the open file's attribute `name` is already `want`.
bool AlreadySo(int fd, const std::string& name, const AttrValue& want) {
  std::string buf(want.bytes.size() + 1, '\0');
  ssize_t r = plat::Attrs().Get(fd, name, buf.data(), buf.size());
  if (!want.present) return r == -ENODATA;
  return r == ssize_t(want.bytes.size()) && buf.compare(0, size_t(r), want.bytes) == 0;
}

}  // namespace

std::string PlannedValue(const AttrPlan& plan, const std::string& name, bool after) {
  for (const AttrChange& c : plan)
    if (c.name == name) return after ? c.after.bytes : c.before.bytes;
  return {};
}

Step ApplyPlan(int fd, const AttrPlan& plan, bool after, const std::string& computed,
               bool checkFirst, bool stopAtFailure) {
  Step first = Step::Ok();
  for (const AttrChange& c : plan) {
    AttrValue want = after ? c.after : c.before;
    if (after && c.afterIsComputed) want = AttrValue{true, computed};
    if (checkFirst && AlreadySo(fd, c.name, want)) continue;
    Step step = Step::Ok();
    if (want.present) {
      int r = plat::Attrs().Set(fd, c.name, want.bytes.data(), want.bytes.size());
      if (r < 0) step = Failed(FaultCode::WriteAttr, c.name, r);
    } else {
      int r = plat::Attrs().Remove(fd, c.name);
      if (r < 0 && r != -ENODATA) step = Failed(FaultCode::RemoveAttr, c.name, r);
    }
    if (!step) {
      if (stopAtFailure) return step;
      if (first) first = step;
    }
  }
  return first;
}
