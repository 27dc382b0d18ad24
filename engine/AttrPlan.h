#pragma once
// What a change does to a file's attributes, planned in full before anything is touched: for
// each attribute it changes, the value before and the value after (or its absence). Coding moves
// the type, the preferred application and the icons into the stashes beside the record and
// retypes the file; decoding moves them back and removes the record. A plan can be applied in
// either direction, any number of times (an attribute already as wanted is left alone), which is
// how a change that failed or was interrupted is completed or turned back.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/Fault.h"

struct AttrValue {
  bool present = false;
  std::string bytes;
  bool operator==(const AttrValue& o) const {
    return present == o.present && (!present || bytes == o.bytes);
  }
};

struct AttrChange {
  std::string name;
  AttrValue before;
  AttrValue after;
  // The value after is the integrity of the coded bytes, known only once they are coded.
  bool afterIsIntegrity = false;
};

// In the order the steps apply: on coding the preferred application is stashed before it is
// removed, the record is written before the type is stashed and the file retyped, and each icon's
// stash is written before the icon is removed; on decoding the record goes last.
using AttrPlan = std::vector<AttrChange>;

// The value the plan gives attribute `name` after the change (`after`) or before it; empty when
// the plan leaves it absent or does not touch it.
std::string PlannedValue(const AttrPlan& plan, const std::string& name, bool after);

// The attributes of a file that a change reads: name (without "user.") -> value.
using AttrSet = std::map<std::string, std::string>;
// The names a change may touch, the record and the change marker among them.
const std::vector<std::string>& ChangeAttrNames();

// The plan for coding a file whose attributes are `now`, with the record value `record`. Fails,
// planning nothing, when a type or application text is too long to be set back on decoding.
Step PlanCoding(const AttrSet& now, const std::string& record, AttrPlan* plan);
// The plan for decoding a coded file whose attributes are `now`.
Step PlanDecoding(const AttrSet& now, AttrPlan* plan);

// Makes the open file's attributes what the plan says after the change (`after` true) or before
// it. `integrity` is the integrity value for a step marked afterIsIntegrity. With `checkFirst`
// each attribute is read first and left alone when it is already as wanted (needed when the
// file's state is not known, as after a failure); without, every step is made. Stops at the
// first step that fails when `stopAtFailure`, else goes on and reports the first failure.
Step ApplyPlan(int fd, const AttrPlan& plan, bool after, const std::string& integrity,
               bool checkFirst, bool stopAtFailure);
