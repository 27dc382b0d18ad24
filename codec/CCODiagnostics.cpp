// The record's dumps on standard output and into its status view.
#include <cstdio>

#include "codec/CCO.h"
#include "codec/TimeCode.h"

bool CCO::Init(char* data) {
  printf("CCO-Init\n");
  for (int i = 0; data != nullptr && i < 20; ++i)
    printf(" %3d", static_cast<int>(static_cast<signed char>(data[i])));
  printf("CCO-End\n");
  valid_ = true;
  return true;
}

void CCO::PrintToStream() {
  const TimeFields t = ReadTimeCode(time_);
  printf("[CCO] [%d]", valid_ ? 1 : 0);
  printf("[%d]", lineLen_);
  printf("[%d:%d:%d]", t.hours, t.minutes, t.seconds);
  printf("[%d/%d/%d]", t.day, t.month, t.year);
  printf("[%s][%d]", name_, nameLen_);
  printf("[%s][%d]\n", pass_, passLen_);
}

void CCO::PrintToTerminal() {
  const TimeFields t = ReadTimeCode(time_);
  printf("Attr.Len  : [%d]\n", lineLen_);
  printf("MVoded um : [%d:%d:%d]\n", t.hours, t.minutes, t.seconds);
  printf("       am : [%d/%d/%d]\n", t.day, t.month, t.year);
  printf(" Filename : [%s][%d]\n", name_, nameLen_);
  printf(" Passwort : [%s][%d]\n", pass_, passLen_);
}

void CCO::PrintToView() {
  if (statusView_ == nullptr) return;
  static char text[1024];
  snprintf(text, sizeof text, "\n  '%s'\tfor:  '%s'", pass_, name_);
  statusView_(statusContext_, text);
}

void CCO::PrintAsHex(const char* data, int last) {
  if (data == nullptr) last = -1;
  for (int i = 0; i <= last; ++i) {
    if (i == 7) printf("|<H>");
    printf("| %2x", static_cast<unsigned>(static_cast<unsigned char>(data[i])));
  }
  printf("\n");
}

void CCO::PrintAsAsc(const char* data, int last) {
  if (data == nullptr) last = -1;
  for (int i = 0; i <= last; ++i) {
    if (i == 7) printf("|<A>");
    if (static_cast<signed char>(data[i]) >= 32) {
      printf("|  %c", data[i]);
    } else {
      printf("|%3d", static_cast<unsigned>(static_cast<unsigned char>(data[i])));
    }
  }
  printf("\n");
}

void CCO::PrintAsDez(const char* data, int last) {
  if (data == nullptr) last = -1;
  for (int i = 0; i <= last; ++i) {
    if (i == 7) printf("|<D>");
    printf("|%3d", static_cast<unsigned>(static_cast<unsigned char>(data[i])));
  }
  printf("\n");
}
