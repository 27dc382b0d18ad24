#pragma once
// What a change does to a file's attributes, as the journal keeps it: for each attribute it
// changes, the value before and the value after (or its absence). A plan can be applied in
// either direction, any number of times (an attribute already as wanted is left alone), which is
// how a change that failed or was interrupted is completed or turned back. (How a coding or a
// decoding plans it is engine/AttrPlan.h.)
#include <string>
#include <vector>

#include "engine/journal/Fault.h"

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
  // The value after is known only once the bytes are turned: the integrity of coded bytes, or a
  // sealed file's seal record (whose MAC is of the sealed bytes).
  bool afterIsComputed = false;
};

// In the order the steps apply: on coding the preferred application is stashed before it is
// removed, the record is written before the type is stashed and the file retyped, and each icon's
// stash is written before the icon is removed; on decoding the record goes last.
using AttrPlan = std::vector<AttrChange>;

// The value the plan gives attribute `name` after the change (`after`) or before it; empty when
// the plan leaves it absent or does not touch it.
std::string PlannedValue(const AttrPlan& plan, const std::string& name, bool after);

// Makes the open file's attributes what the plan says after the change (`after` true) or before
// it. `computed` is the value for a step marked afterIsComputed. With `checkFirst`
// each attribute is read first and left alone when it is already as wanted (needed when the
// file's state is not known, as after a failure); without, every step is made. Stops at the
// first step that fails when `stopAtFailure`, else goes on and reports the first failure.
Step ApplyPlan(int fd, const AttrPlan& plan, bool after, const std::string& computed,
               bool checkFirst, bool stopAtFailure);
