// The coding transaction on real files with real xattrs: what a coded file carries when it had
// less than everything, what a wrong or missing password does, and records that are renewed.
// (A fully decorated file is coded and decoded through the window in tests/app/EndToEndTest.)
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/Engine.h"
#include "platform/FileCalls.h"
#include "platform/SecretMemory.h"

namespace {

using TransactionTest = EngineTest;

TEST_F(TransactionTest, StashesOnlyWhatTheFileHad) {
  std::string typed = MakeFile("typed.txt", Bytes(300, 'x'));
  SetXattr(typed, "mime_type", "text/plain");
  std::string bare = MakeFile("bare.bin", Bytes(300, 'y'));
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(typed));
  ASSERT_TRUE(InspectAndWork(bare));
  XattrMap typedCoded = AllXattrs(typed), bareCoded = AllXattrs(bare);
  for (XattrMap* coded : {&typedCoded, &bareCoded}) {
    coded->erase("PrivCodec");
    coded->erase("murvel.integrity");
  }
  EXPECT_EQ(typedCoded,
            (XattrMap{{"x_beos:type", CText("text/plain")}, {"mime_type", "text/x-CodedData"}}));
  EXPECT_EQ(bareCoded, (XattrMap{{"mime_type", "text/x-CodedData"}}));

  // Decoding gives back the type; a file that had none is typed by its contents again, and one
  // that had no preferred application has none, whatever it was given while coded.
  SetXattr(bare, "BEOS:PREF_APP", "application/x-vnd.Other");
  ASSERT_TRUE(InspectAndWork(typed));
  ASSERT_TRUE(InspectAndWork(bare));
  EXPECT_EQ(AllXattrs(typed), (XattrMap{{"mime_type", "text/plain"}}));
  EXPECT_EQ(AllXattrs(bare), XattrMap());
  EXPECT_EQ(ReadFileBytes(bare), Bytes(300, 'y'));
}

TEST_F(TransactionTest, WrongPasswordChangesNothing) {
  std::string path = MakeFile("secret.doc", RandomBytes(2000, 2));
  DecorateFile(path);
  EnterPassword("Secret7");
  ASSERT_TRUE(InspectAndWork(path));
  Bytes coded = ReadFileBytes(path);
  XattrMap codedAttrs = AllXattrs(path);

  for (const char* wrong : {"Secret8", "secret7", "Secret", "Secret77", ""}) {
    SCOPED_TRACE(wrong);
    EnterPassword(wrong);
    std::string out;
    EXPECT_FALSE(InspectAndWork(path, &out));
    EXPECT_EQ(out, "MVW> Has Codec-Attr.!\nMVW> Has   Codec-Attr. ! 'secret.doc' '20'\n");
    EXPECT_EQ(result_.outcome, WorkOutcome::WrongPassword);
    EXPECT_TRUE(ReadFileBytes(path) == coded);
    EXPECT_EQ(AllXattrs(path), codedAttrs);
  }
}

TEST_F(TransactionTest, NoPasswordNoWorkEmptyPasswordCodes) {
  std::string path = MakeFile("a.txt", Bytes(100, 'a'));
  std::string out;
  EXPECT_TRUE(InspectAndWork(path, &out));
  EXPECT_EQ(out, "MVW> NO  Codec-Attr.!\n\n> NO  Codec-Attr.!-> CODING:\n");
  EXPECT_EQ(result_.outcome, WorkOutcome::NoPassword);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(AllXattrs(path), XattrMap());

  // An empty password, entered, codes: the record keeps p = 0, and only the empty password
  // decodes it.
  EnterPassword("");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::Coded);
  EXPECT_EQ(UnscrambleRecord(*GetXattr(path, "PrivCodec")).password, "");
  EnterPassword("x");
  EXPECT_FALSE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::WrongPassword);
  EnterPassword("");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::Decoded);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(AllXattrs(path), XattrMap());

  // A record whose password is empty (coded elsewhere) matches the empty buffer, yet without an
  // entered password nothing is decoded.
  const std::string value =
      EncodeRecordValue(NewRecordFields("a.txt", "", kFixtureTimeCode.c_str()));
  SetXattr(path, "PrivCodec", value);
  password_ = Password();
  EXPECT_TRUE(InspectAndWork(path));
  EXPECT_EQ(result_.outcome, WorkOutcome::NoPassword);
  EXPECT_EQ(ReadFileBytes(path), Bytes(100, 'a'));
  EXPECT_EQ(*GetXattr(path, "PrivCodec"), value);
}

TEST_F(TransactionTest, ShortRecordIsCodedOver) {
  Bytes plain = RandomBytes(64, 3);
  std::string path = MakeFile("c.bin", plain);
  SetXattr(path, "PrivCodec", "abcd");
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_EQ(UnscrambleRecord(*GetXattr(path, "PrivCodec")).password, "pw");
  EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, KeyBytes(kFixtureTimeCode)));
}

TEST_F(TransactionTest, CodingsAtTwoMomentsDifferAndEachDecodes) {
  Bytes plain = RandomBytes(4000, 4);
  std::string path = MakeFile("d.bin", plain);
  EnterPassword("pw");
  ASSERT_TRUE(InspectAndWork(path));
  Bytes first = ReadFileBytes(path);
  ASSERT_TRUE(InspectAndWork(path));
  clock_->Set(Moment(2027, 3, 1, 17, 5, 59));
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_NE(ReadFileBytes(path), first);
  EXPECT_NE(UnscrambleRecord(*GetXattr(path, "PrivCodec")).timeCode, kFixtureTimeCode);
  ASSERT_TRUE(InspectAndWork(path));
  EXPECT_TRUE(ReadFileBytes(path) == plain);
}

// Whether `needle` lies anywhere in this process's writable memory that a core dump or a reader
// of /proc/PID/mem would see: every mapping not left out of dumps (the secret memory is).
bool InPlainMemory(const plat::SecretText& needle) {
  std::ifstream smaps("/proc/self/smaps");
  std::vector<std::pair<uintptr_t, uintptr_t>> plain;
  std::string line;
  uintptr_t from = 0, to = 0;
  bool writable = false;
  while (std::getline(smaps, line)) {
    unsigned long a, b;
    char perms[5] = {};
    if (std::sscanf(line.c_str(), "%lx-%lx %4s", &a, &b, perms) == 3 && line.find(':') > 12) {
      from = a, to = b, writable = perms[0] == 'r' && perms[1] == 'w';
    } else if (line.rfind("VmFlags:", 0) == 0 && writable &&
               line.find(" dd") == std::string::npos) {
      plain.push_back({from, to});
    }
  }
  const int mem = open("/proc/self/mem", O_RDONLY);
  constexpr size_t kChunk = 1 << 20;
  // The chunk read is itself in secret memory, so that it is no place the needle is found.
  char* chunk = static_cast<char*>(plat::SecretAlloc(kChunk + plat::SecretText::kMax));
  bool found = false;
  for (const auto& [start, end] : plain) {
    for (uintptr_t at = start; at < end && !found; at += kChunk) {
      const size_t want = size_t(std::min<uintptr_t>(end - at, kChunk + needle.size()));
      const ssize_t got = pread(mem, chunk, want, off_t(at));
      found = got > 0 && memmem(chunk, size_t(got), needle.data(), needle.size()) != nullptr;
    }
  }
  plat::SecretFree(chunk, kChunk + plat::SecretText::kMax);
  close(mem);
  return found;
}

// The password is carried in secret memory from the caller through the whole change: no plain
// copy of it in the ordinary heap or stack while the pass writes the file, nor after, while the
// result (which holds the record) is kept.
TEST_F(TransactionTest, ThePasswordIsNeverInPlainMemory) {
  // Made here, byte by byte, so that no copy of it lies in the program's own data either.
  const char hidden[] = {'\x3b', '\x17', '\x5c', '\x0a', '\x28', '\x61', '\x12',
                         '\x3f', '\x0e', '\x45', '\x2a', '\x19', '\x33', '\x47'};
  Password password;
  password.set = true;
  char plain[sizeof hidden];
  for (size_t i = 0; i < sizeof hidden; ++i) plain[i] = char(hidden[i] ^ 0x55);
  password.text.assign(plain, sizeof plain);
  plat::Wipe(plain, sizeof plain);
  struct Probe : plat::SystemFileCalls {
    const plat::SecretText* password = nullptr;
    int found = -1;
    ssize_t Pwrite(int fd, const void* buf, size_t len, uint64_t offset) override {
      if (found < 0 && len > 4096) found = InPlainMemory(*password);
      return SystemFileCalls::Pwrite(fd, buf, len, offset);
    }
  } probe;
  probe.password = &password.text;
  const std::string path = MakeFile("kept.bin", RandomBytes(300 * 1024, 4));
  plat::SetFileCalls(&probe);
  Engine engine;
  const WorkResult coded = engine.Work(engine.Inspect(path), password);
  plat::SetFileCalls(nullptr);
  ASSERT_TRUE(coded.done());
  EXPECT_EQ(probe.found, 0);
  EXPECT_FALSE(InPlainMemory(password.text));
  const WorkResult decoded = engine.Work(engine.Inspect(path), password);
  ASSERT_TRUE(decoded.done());
  EXPECT_FALSE(InPlainMemory(password.text));
}

}  // namespace
