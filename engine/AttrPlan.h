#pragma once
// What a change does to a file's attributes, planned in full before anything is touched
// (engine/journal/AttrChanges.h has the plan's form and how it is applied). Coding moves the
// type, the preferred application and the icons into the stashes beside the record and retypes
// the file; decoding moves them back and removes the record.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/journal/AttrChanges.h"
#include "engine/journal/Fault.h"

// The attributes of a file that a change reads: name (without "user.") -> value.
using AttrSet = std::map<std::string, std::string>;
// The names a change may touch, the record and the change marker among them.
const std::vector<std::string>& ChangeAttrNames();

// The plan for coding a file whose attributes are `now`, with the record value `record`. Fails,
// planning nothing, when a type or application text is too long to be set back on decoding.
Step PlanCoding(const AttrSet& now, const std::string& record, AttrPlan* plan);
// The plan for decoding a coded file whose attributes are `now`.
Step PlanDecoding(const AttrSet& now, AttrPlan* plan);
// The same for sealing a file, whose seal record is known once its content is sealed, and for
// unsealing a sealed one.
Step PlanSealing(const AttrSet& now, AttrPlan* plan);
Step PlanUnsealing(const AttrSet& now, AttrPlan* plan);
