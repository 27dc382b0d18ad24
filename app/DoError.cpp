#include "app/DoError.h"

#include <cstdio>

#include "platform/gui/Alert.h"

void DoError(const char* text) {
  char buffer[2048];
  std::snprintf(buffer, sizeof buffer, "%s", text);
  (void)plat::ShowAlert("Autsch", buffer, " Autch ");
}
