#include <cstdio>

#include "app/DesktopFilesCommand.h"
#include "app/MVApplication.h"
#include "platform/SecretMemory.h"

int main(int argc, char** argv) {
  plat::KeepSecretsOutOfCoreDumps();
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (AsksToRemoveDesktopFiles(argc, argv)) return RemoveDesktopFilesCommand();
  {
    MVApplication app(argc, argv);
    app.Run();
  }
  return 0;
}
