#include <gtest/gtest.h>

#include <string>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace {

class CodecDiagnostics : public FixedClockTest {
 protected:
  // A record read back from the first hand-worked value: 15:09:26 on 14/3/2026, L = 22.
  void SetUp() override { record_.DecodeLine(value_.data()); }
  std::string value_ = PlainAsciiVector().value;
  CCO record_;
};

TEST_F(CodecDiagnostics, RecordOnOneLineAndOnFive) {
  EXPECT_EQ(CapturedStdout([&] { record_.PrintToStream(); }),
            "[CCO] [1][22][15:9:26][14/3/2026][abc.txt][7][******][6]\n");
  EXPECT_EQ(CapturedStdout([&] { record_.PrintToTerminal(); }),
            "Attr.Len  : [22]\n"
            "MVoded um : [15:9:26]\n"
            "       am : [14/3/2026]\n"
            " Filename : [abc.txt][7]\n"
            " Passwort : [******][6]\n");
  // A fresh record: valid, no line yet, the time of its making, "---" for name and password
  // (shown masked, as any password).
  SetNow(Moment(2026, 12, 31, 23, 59, 59));
  EXPECT_EQ(CapturedStdout([] { CCO().PrintToStream(); }),
            "[CCO] [1][0][23:59:59][31/12/2026][---][3][***][3]\n--Del CCO\n");
}

TEST_F(CodecDiagnostics, InitDumpsTwentySignedBytes) {
  char data[20] = {0, 1, -1, 127, -128, 'A', 10, 99, 100, -100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
  bool result = false;
  EXPECT_EQ(CapturedStdout([&] { result = record_.Init(data); }),
            "CCO-Init\n"
            "   0   1  -1 127 -128  65  10  99 100 -100   0   0   0   0   0   0   0   0   0   7"
            "CCO-End\n");
  EXPECT_TRUE(result);
  EXPECT_TRUE(record_.IsGoodMen());
}

// Bytes 0 to the last index inclusive, a marker before index 7.
TEST_F(CodecDiagnostics, ByteDumps) {
  const char mixed[9] = {'A', '\n', '\xe4', ' ', '\x1f', '\x7f', 'z', '0', '\x80'};
  const struct {
    void (CCO::*dump)(const char*, int);
    const char* data;
    int last;
    std::string out;
  } cases[] = {
      {&CCO::PrintAsHex, value_.data(), 6, "| 16| 27| 15| 1a| 55| 18| 25\n"},
      {&CCO::PrintAsHex, value_.data(), 7, "| 16| 27| 15| 1a| 55| 18| 25|<H>| 1d\n"},
      {&CCO::PrintAsHex, value_.data(), -1, "\n"},
      {&CCO::PrintAsAsc, mixed, 8, "|  A| 10|228|   | 31|  \x7f|  z|<A>|  0|128\n"},
      {&CCO::PrintAsDez, mixed, 8, "| 65| 10|228| 32| 31|127|122|<D>| 48|128\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CapturedStdout([&] { (record_.*c.dump)(c.data, c.last); }), c.out);
}

TEST_F(CodecDiagnostics, StatusViewGetsTheMaskedPasswordAndName) {
  EXPECT_EQ(CapturedStdout([&] { record_.PrintToView(); }), "");
  std::string view;
  record_.SetStatusView(
      [](void* ctx, const char* text) { *static_cast<std::string*>(ctx) += text; }, &view);
  EXPECT_EQ(CapturedStdout([&] { record_.PrintToView(); }), "");
  EXPECT_EQ(view, "\n  '******'\tfor:  'abc.txt'");
}

}  // namespace
