#include "app/SealOption.h"

#include <cstring>

bool TakeSealOption(int* argc, char** argv) {
  bool found = false;
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (std::strcmp(argv[i], "--seal") == 0)
      found = true;
    else
      argv[kept++] = argv[i];
  }
  if (*argc > 0) {
    for (int i = kept; i < *argc; ++i) argv[i] = nullptr;
    *argc = kept;
  }
  return found;
}
