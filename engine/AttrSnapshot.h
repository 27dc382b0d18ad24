#pragma once
// A copy of some of a file's attributes, taken before a change, so that a change that fails
// halfway can put every one of them back exactly: values rewritten, and attributes that were
// absent removed again.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/Node.h"
#include "platform/Outcome.h"

class AttrSnapshot {
 public:
  // Reads each named attribute of `node`, or notes that it is absent. Fails when one cannot be
  // read for another reason; nothing is changed either way.
  plat::Outcome Take(const plat::Node& node, std::initializer_list<const char*> names);
  // Puts every attribute back as it was taken. Goes on past a failure and reports the first.
  plat::Outcome Restore(plat::Node& node) const;

 private:
  struct Entry {
    std::string name;
    bool present = false;
    std::vector<uint8_t> value;
  };
  std::vector<Entry> entries_;
};
