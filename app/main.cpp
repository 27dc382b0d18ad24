#include <cstdio>

// Placeholder until the window exists.
int main() {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("Murvel: the window is not built yet\n");
  return 0;
}
