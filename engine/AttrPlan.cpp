#include "engine/AttrPlan.h"

#include <cerrno>
#include <cstring>

#include "codec/CCO.h"
#include "codec/CodedFile.h"
#include "engine/journal/ChangeMarker.h"
#include "engine/journal/IntegrityAttr.h"
#include "platform/AttrBackend.h"
#include "platform/NodeInfo.h"
#include "seal/SealRecord.h"

namespace {

// Room for a type or an application signature as text, terminator included: what the file's
// type and preferred application can be set back to. Longer values are refused, not cut, so
// that a file is never coded with a stash that could not be put back.
constexpr size_t kTextMax = plat::B_MIME_TYPE_LENGTH;

AttrValue Absent() {
  return {};
}
AttrValue Value(std::string bytes) {
  return {true, std::move(bytes)};
}

AttrValue Now(const AttrSet& now, const std::string& name) {
  auto it = now.find(name);
  return it == now.end() ? Absent() : Value(it->second);
}

// The text of a text attribute, up to its first zero byte; empty when absent or empty.
Step Text(const AttrSet& now, const char* name, std::string* text) {
  text->clear();
  auto it = now.find(name);
  if (it == now.end()) return Step::Ok();
  size_t len = strnlen(it->second.data(), it->second.size());
  if (len >= kTextMax) {
    return Step::Fail(Fault(FaultCode::AttrTooLong).Name(name));
  }
  text->assign(it->second.data(), len);
  return Step::Ok();
}

// An icon: a value of exactly `size` bytes; anything else is no icon and stays where it is.
bool Icon(const AttrSet& now, const char* name, size_t size, std::string* bits) {
  auto it = now.find(name);
  if (it == now.end() || it->second.size() != size) return false;
  *bits = it->second;
  return true;
}

class Planner {
 public:
  Planner(const AttrSet& now, AttrPlan* plan) : now_(now), plan_(plan) { plan_->clear(); }
  void Set(const char* name, std::string bytes) { Add(name, Value(std::move(bytes))); }
  void Remove(const char* name) { Add(name, Absent()); }
  // An attribute whose value is known only once the bytes are turned.
  void SetComputed(const char* name) { plan_->push_back({name, Now(now_, name), Absent(), true}); }

 private:
  void Add(const char* name, AttrValue after) {
    AttrValue before = Now(now_, name);
    if (before == after) return;
    plan_->push_back({name, std::move(before), std::move(after), false});
  }
  const AttrSet& now_;
  AttrPlan* plan_;
};

}  // namespace

const std::vector<std::string>& ChangeAttrNames() {
  static const std::vector<std::string> names = {
      kPrivCodecAttr,      kTypeStashAttr,  kPrefAppStashAttr,  kLargeIconStashAttr,
      kMiniIconStashAttr,  plat::kTypeAttr, plat::kPrefAppAttr, plat::kLargeIconAttr,
      plat::kMiniIconAttr, kIntegrityAttr,  kChangeMarkerAttr,  seal::kSealAttr};
  return names;
}

namespace {

// Coding and sealing stash the same (the preferred application, the type, the icons) and
// retype the file; they write their own record, under its own type.
Step PlanStashing(const AttrSet& now, const std::string* codingRecord, AttrPlan* plan) {
  Planner p(now, plan);
  std::string prefApp, type;
  Step read = Text(now, plat::kPrefAppAttr, &prefApp);
  if (read) read = Text(now, plat::kTypeAttr, &type);
  if (!read) {
    plan->clear();
    return read;
  }
  if (!prefApp.empty()) p.Set(kPrefAppStashAttr, prefApp + '\0');
  p.Remove(plat::kPrefAppAttr);
  if (codingRecord) {
    p.Set(kPrivCodecAttr, *codingRecord);
    p.SetComputed(kIntegrityAttr);
  } else {
    p.SetComputed(seal::kSealAttr);
  }
  if (!type.empty()) p.Set(kTypeStashAttr, type + '\0');
  p.Set(plat::kTypeAttr, codingRecord ? kCodedDataType : kSealedDataType);
  std::string bits;
  if (Icon(now, plat::kLargeIconAttr, plat::kLargeIconBytes, &bits)) {
    p.Set(kLargeIconStashAttr, bits);
    p.Remove(plat::kLargeIconAttr);
  }
  if (Icon(now, plat::kMiniIconAttr, plat::kMiniIconBytes, &bits)) {
    p.Set(kMiniIconStashAttr, bits);
    p.Remove(plat::kMiniIconAttr);
  }
  return Step::Ok();
}

// Decoding and unsealing give back what was stashed, and remove their own record last.
Step PlanGivingBack(const AttrSet& now, bool coded, AttrPlan* plan) {
  Planner p(now, plan);
  std::string type, prefApp;
  Step read = Text(now, kTypeStashAttr, &type);
  if (read) read = Text(now, kPrefAppStashAttr, &prefApp);
  if (!read) {
    plan->clear();
    return read;
  }
  // Without a stashed type the file had none: it is typed by its contents again.
  if (!type.empty()) {
    p.Set(plat::kTypeAttr, type);
  } else {
    p.Remove(plat::kTypeAttr);
  }
  p.Remove(kTypeStashAttr);
  if (!prefApp.empty()) {
    p.Set(plat::kPrefAppAttr, prefApp);
  } else {
    p.Remove(plat::kPrefAppAttr);
  }
  p.Remove(kPrefAppStashAttr);
  // Each icon is set before its stash goes.
  std::string bits;
  if (Icon(now, kLargeIconStashAttr, plat::kLargeIconBytes, &bits)) {
    p.Set(plat::kLargeIconAttr, bits);
    p.Remove(kLargeIconStashAttr);
  }
  if (Icon(now, kMiniIconStashAttr, plat::kMiniIconBytes, &bits)) {
    p.Set(plat::kMiniIconAttr, bits);
    p.Remove(kMiniIconStashAttr);
  }
  if (coded) p.Remove(kIntegrityAttr);
  // The record goes last, once bytes and attributes are back.
  p.Remove(coded ? kPrivCodecAttr : seal::kSealAttr);
  return Step::Ok();
}

}  // namespace

Step PlanCoding(const AttrSet& now, const std::string& record, AttrPlan* plan) {
  return PlanStashing(now, &record, plan);
}

Step PlanSealing(const AttrSet& now, AttrPlan* plan) {
  return PlanStashing(now, nullptr, plan);
}

Step PlanDecoding(const AttrSet& now, AttrPlan* plan) {
  return PlanGivingBack(now, true, plan);
}

Step PlanUnsealing(const AttrSet& now, AttrPlan* plan) {
  return PlanGivingBack(now, false, plan);
}
