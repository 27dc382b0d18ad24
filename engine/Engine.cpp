#include "engine/Engine.h"

#include <cstdio>

// Placeholder operations until the file work is written: each says what was asked.
void Engine::XCheck(bool) { std::printf("XCheck: not built yet\n"); }
bool Engine::XWork() {
  std::printf("XWork: not built yet\n");
  return false;
}
plat::Outcome Engine::CodSim() { return plat::Outcome::Fail("CodSim: not built yet"); }
plat::Outcome Engine::DecodSim() { return plat::Outcome::Fail("DecodSim: not built yet"); }
void Engine::DecAllFold(const std::string&) { std::printf("DecAllFold: not built yet\n"); }
void Engine::ScanFold(const std::string&) { std::printf("ScanFold: not built yet\n"); }
