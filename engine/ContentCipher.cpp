// The content cipher as the window's operations: the current file's bytes coded with the working
// record's time code, or decoded with the file record's, in one content pass.
#include <cstring>

#include "engine/Engine.h"
#include "engine/LinkTarget.h"

std::string Engine::WorkFile() const {
  return ResolvedFile(s_.currentPath);
}

plat::Outcome Engine::RunPass(const char* timeCode, CipherDirection dir) {
  std::memcpy(s_.cipherKey, timeCode, sizeof s_.cipherKey);
  s_.keyIndex = 0;
  s_.byteCounter = 0;
  std::string file = WorkFile();
  if (file.empty()) return plat::Outcome::Fail("can't find the file '" + s_.currentPath + "'");
  return RunContentPass(file, s_.cipherKey, dir, progress_);
}

plat::Outcome Engine::CodSim() {
  return RunPass(s_.workingRecord->GetFTime(), CipherDirection::Code);
}

plat::Outcome Engine::DecodSim() {
  return RunPass(s_.fileRecord->GetFTime(), CipherDirection::Decode);
}
