#pragma once
// Whether the memory at an address of this process is left out of core dumps: the "dd" flag of
// its mapping in /proc/self/smaps.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

inline bool LeftOutOfCoreDumps(const void* address) {
  const uintptr_t at = uintptr_t(address);
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    unsigned long from, to;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > 12)
      inside = at >= from && at < to;
    if (inside && line.rfind("VmFlags:", 0) == 0) return line.find(" dd") != std::string::npos;
  }
  return false;
}
