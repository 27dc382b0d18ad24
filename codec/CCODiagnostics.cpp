// The record's dumps on standard output and into its status view.
#include <cstdio>
#include <string>

#include "codec/CCO.h"
#include "codec/TimeCode.h"

namespace {

// Prints data[0] to data[last], both included, each with `byte`, and `marker` before index 7:
// it sets the line's plain head (bytes 0 to 6) apart from the scrambled rest. Ends the line.
void DumpBytes(const char* data, int last, const char* marker, void (*byte)(unsigned char)) {
  for (int i = 0; data != nullptr && i <= last; ++i) {
    if (i == 7) printf("%s", marker);
    byte(static_cast<unsigned char>(data[i]));
  }
  printf("\n");
}

// The password as the dumps show it: one '*' per byte, so that no line carries it.
std::string Masked(size_t length) {
  return std::string(length, '*');
}

}  // namespace

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
  printf("[%s][%d]\n", Masked(passLen_).c_str(), passLen_);
}

void CCO::PrintToTerminal() {
  const TimeFields t = ReadTimeCode(time_);
  printf("Attr.Len  : [%d]\n", lineLen_);
  printf("MVoded um : [%d:%d:%d]\n", t.hours, t.minutes, t.seconds);
  printf("       am : [%d/%d/%d]\n", t.day, t.month, t.year);
  printf(" Filename : [%s][%d]\n", name_, nameLen_);
  printf(" Passwort : [%s][%d]\n", Masked(passLen_).c_str(), passLen_);
}

void CCO::PrintToView() {
  if (statusView_ == nullptr) return;
  static char text[1024];
  snprintf(text, sizeof text, "\n  '%s'\tfor:  '%s'", Masked(passLen_).c_str(), name_);
  statusView_(statusContext_, text);
}

void CCO::PrintAsHex(const char* data, int last) {
  DumpBytes(data, last, "|<H>", [](unsigned char b) { printf("| %2x", unsigned(b)); });
}

// Characters 32..127 as themselves, control characters and bytes of 128 and above as numbers.
void CCO::PrintAsAsc(const char* data, int last) {
  DumpBytes(data, last, "|<A>", [](unsigned char b) {
    if (static_cast<signed char>(b) >= 32)
      printf("|  %c", b);
    else
      printf("|%3d", unsigned(b));
  });
}

void CCO::PrintAsDez(const char* data, int last) {
  DumpBytes(data, last, "|<D>", [](unsigned char b) { printf("|%3d", unsigned(b)); });
}
