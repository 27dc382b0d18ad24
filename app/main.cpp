#include <cstdio>

#include "app/MVApplication.h"

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  {
    MVApplication app(argc, argv);
    app.Run();
  }
  return 0;
}
