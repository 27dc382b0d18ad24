#include <cstdio>

#include "app/MVApplication.h"
#include "platform/SecretMemory.h"

int main(int argc, char** argv) {
  plat::KeepSecretsOutOfCoreDumps();
  setvbuf(stdout, nullptr, _IOLBF, 0);
  {
    MVApplication app(argc, argv);
    app.Run();
  }
  return 0;
}
