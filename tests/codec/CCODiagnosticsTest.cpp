#include <gtest/gtest.h>

#include <string>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace {

class CodecDiagnostics : public FixedClockTest {
 protected:
  // A record read back from the first hand-worked value: 15:09:26 on 14/3/2026, L = 22.
  void SetUp() override {
    FixedClockTest::SetUp();
    value_ = PlainAsciiVector().value;
    record_.DecodeLine(value_.data());
  }
  std::string value_;
  CCO record_;
};

TEST_F(CodecDiagnostics, RecordOnOneLineAndOnFive) {
  EXPECT_EQ(Captured([&] { record_.PrintToStream(); }),
            "[CCO] [1][22][15:9:26][14/3/2026][abc.txt][7][Geheim][6]\n");
  EXPECT_EQ(Captured([&] { record_.PrintToTerminal(); }),
            "Attr.Len  : [22]\n"
            "MVoded um : [15:9:26]\n"
            "       am : [14/3/2026]\n"
            " Filename : [abc.txt][7]\n"
            " Passwort : [Geheim][6]\n");
}

TEST_F(CodecDiagnostics, FreshRecordShowsItsDefaults) {
  SetNow(Moment(2026, 12, 31, 23, 59, 59));
  std::string out = Captured([] {
    CCO fresh;
    fresh.PrintToStream();
  });
  EXPECT_EQ(out, "[CCO] [1][0][23:59:59][31/12/2026][---][3][---][3]\n--Del CCO\n");
}

TEST_F(CodecDiagnostics, InitDumpsTwentySignedBytes) {
  char data[20] = {0, 1, -1, 127, -128, 'A', 10, 99, 100, -100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7};
  bool result = false;
  EXPECT_EQ(Captured([&] { result = record_.Init(data); }),
            "CCO-Init\n"
            "   0   1  -1 127 -128  65  10  99 100 -100   0   0   0   0   0   0   0   0   0   7"
            "CCO-End\n");
  EXPECT_TRUE(result);
  EXPECT_TRUE(record_.IsGoodMen());
}

TEST_F(CodecDiagnostics, HexDumpMarksTheScrambledPart) {
  EXPECT_EQ(Captured([&] { record_.PrintAsHex(value_.data(), 6); }),
            "| 16| 27| 15| 1a| 55| 18| 25\n");
  EXPECT_EQ(Captured([&] { record_.PrintAsHex(value_.data(), 7); }),
            "| 16| 27| 15| 1a| 55| 18| 25|<H>| 1d\n");
  EXPECT_EQ(Captured([&] { record_.PrintAsHex(value_.data(), -1); }), "\n");
}

TEST_F(CodecDiagnostics, CharacterAndDecimalDumps) {
  const char data[9] = {'A', '\n', '\xe4', ' ', '\x1f', '\x7f', 'z', '0', '\x80'};
  EXPECT_EQ(Captured([&] { record_.PrintAsAsc(data, 8); }),
            "|  A| 10|228|   | 31|  \x7f|  z|<A>|  0|128\n");
  EXPECT_EQ(Captured([&] { record_.PrintAsDez(data, 8); }),
            "| 65| 10|228| 32| 31|127|122|<D>| 48|128\n");
}

TEST_F(CodecDiagnostics, StatusViewGetsPasswordAndName) {
  EXPECT_EQ(Captured([&] { record_.PrintToView(); }), "");

  std::string view;
  record_.SetStatusView(
      [](void* ctx, const char* text) { *static_cast<std::string*>(ctx) += text; }, &view);
  EXPECT_EQ(Captured([&] { record_.PrintToView(); }), "");
  EXPECT_EQ(view, "\n  'Geheim'\tfor:  'abc.txt'");
}

}  // namespace
