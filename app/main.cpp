#include <csignal>
#include <cstdio>

#include "app/DesktopFilesCommand.h"
#include "app/MVApplication.h"
#include "app/SealOption.h"
#include "platform/SecretMemory.h"
#include "platform/gui/CloseOnSignals.h"

int main(int argc, char** argv) {
  plat::KeepSecretsOutOfCoreDumps();
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (AsksToRemoveDesktopFiles(argc, argv)) return RemoveDesktopFilesCommand();
  // From the first moment a request to end (logout, `kill`) waits for the window and closes it
  // as its close button does, however far the start has come.
  plat::CloseOnSignals::CatchEarly({SIGTERM, SIGHUP});
  const bool seal = TakeSealOption(&argc, argv);
  {
    MVApplication app(argc, argv, seal);
    app.Run();
  }
  return 0;
}
