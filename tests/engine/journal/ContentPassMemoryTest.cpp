// A 3 GiB file coded and decoded through the transaction: the bytes around the 2 GiB mark and at
// the end are coded by the rule, and the peak resident size stays far below the file's size.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr uint64_t kSize = 3ull << 30;

// The peak resident size of this process, in KiB.
long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

Bytes ReadAt(const std::string& path, uint64_t offset, size_t len) {
  Bytes out(len);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ssize_t got = fd < 0 ? -1 : pread(fd, out.data(), len, off_t(offset));
  if (fd >= 0) close(fd);
  out.resize(got < 0 ? 0 : size_t(got));
  return out;
}

class ContentPassMemoryTest : public EngineTest {};

TEST_F(ContentPassMemoryTest, ThreeGiBFileCodesAndDecodesInBoundedMemory) {
  std::string path = MakeFile("big.img", Bytes(0));
  ASSERT_EQ(truncate(path.c_str(), off_t(kSize)), 0);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));

  std::string record = *GetXattr(path, "PrivCodec");
  const uint8_t* key = reinterpret_cast<const uint8_t*>(record.data() + 1);
  const uint64_t probes[] = {0, (1ull << 31) - 2048, kSize - 4096};
  for (uint64_t at : probes) {
    SCOPED_TRACE(at);
    Bytes got = ReadAt(path, at, 4096);
    ASSERT_EQ(got.size(), 4096u);
    for (size_t k = 0; k < got.size(); ++k) {
      uint64_t i = at + k;
      ASSERT_EQ(got[k], uint8_t(key[i % 6] + (i % 256))) << "at " << i;
    }
  }
  EXPECT_EQ(ReadAt(path, kSize - 1, 16).size(), 1u);

  ASSERT_TRUE(InspectAndWork(path));
  for (uint64_t at : probes) EXPECT_EQ(ReadAt(path, at, 4096), Bytes(4096, 0)) << at;
  EXPECT_EQ(ReadAt(path, kSize - 1, 16).size(), 1u);

  long peak = PeakResidentKiB();
  ASSERT_GT(peak, 0);
  RecordProperty("peak_resident_kib", int(peak));
  EXPECT_LT(peak, 64 * 1024) << "peak resident size " << peak << " KiB";
}

}  // namespace
