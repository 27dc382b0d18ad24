// Sealing and unsealing real files through the engine: what a sealed file carries, and every
// refusal (a wrong password, a changed byte, a cut file, a damaged or unknown record, a coded
// file) leaving the file exactly as it was.
#include <sys/stat.h>
#include <unistd.h>

#include "engine/journal/SealPassword.h"
#include "seal/SealRecord.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class SealTransactionTest : public EngineTest {
 protected:
  // Seals (or unseals) the files with `password`, as one call.
  std::vector<WorkResult> Seal(const std::vector<std::string>& files, const char* password) {
    SealPassword sealing(password, seal::kMinCost);
    engine_->SetSealPassword(&sealing);
    std::vector<ChangeRequest> requests;
    for (const std::string& f : files) {
      ChangeRequest r = RequestFor(engine_->Inspect(f));
      r.sealing = true;
      requests.push_back(r);
    }
    std::vector<WorkResult> results = engine_->WorkMany(requests, Password{}, {});
    derivations_ = sealing.Derivations();
    engine_->SetSealPassword(nullptr);
    return results;
  }
  WorkResult SealOne(const std::string& file, const char* password = "pw") {
    return Seal({file}, password)[0];
  }
  // The file's bytes and attributes.
  std::pair<Bytes, XattrMap> Now(const std::string& file) {
    return {ReadFileBytes(file), AllXattrs(file)};
  }
  size_t derivations_ = 0;
};

TEST_F(SealTransactionTest, SealedFilesCarryTheirRecordTwiceAndComeBackWhole) {
  std::vector<std::string> files;
  std::vector<Bytes> plain;
  for (int i = 0; i < 3; ++i) {
    plain.push_back(RandomBytes(size_t(i) * 70000 + 5, unsigned(i)));
    files.push_back(MakeFile("f" + std::to_string(i), plain.back()));
  }
  DecorateFile(files[1]);
  const XattrMap decorated = AllXattrs(files[1]);
  for (const WorkResult& r : Seal(files, "pw"))
    EXPECT_EQ(r.outcome, WorkOutcome::Sealed) << r.reason;
  EXPECT_EQ(derivations_, 1u);  // one for the call, however many files
  for (size_t i = 0; i < files.size(); ++i) {
    const Bytes sealed = ReadFileBytes(files[i]);
    ASSERT_EQ(sealed.size(), plain[i].size() + seal::kRecordSize);
    const std::string record(sealed.end() - long(seal::kRecordSize), sealed.end());
    EXPECT_EQ(GetXattr(files[i], seal::kSealAttr), record);
    EXPECT_EQ(GetXattr(files[i], "mime_type"), std::string("application/x-murvel-sealed"));
    EXPECT_FALSE(GetXattr(files[i], "PrivCodec").has_value());
    EXPECT_TRUE(engine_->Inspect(files[i]).sealed);
  }
  // A copy that kept no attribute (cat, mail, a FAT stick) opens with its password too.
  const std::string copy = MakeFile("copy", ReadFileBytes(files[2]));
  for (const WorkResult& r : Seal({files[0], files[1], files[2], copy}, "pw"))
    EXPECT_EQ(r.outcome, WorkOutcome::Unsealed) << r.reason;
  EXPECT_EQ(derivations_, 1u);  // sealed together, opened with one derivation
  for (size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(ReadFileBytes(files[i]) == plain[i]);
  EXPECT_TRUE(ReadFileBytes(copy) == plain[2]);
  EXPECT_EQ(AllXattrs(files[1]), decorated);
  EXPECT_EQ(AllXattrs(files[0]), XattrMap());

  // Sealed twice, the same file gives other bytes: a fresh key and nonce every time.
  ASSERT_TRUE(SealOne(files[0]).done());
  const Bytes first = ReadFileBytes(files[0]);
  ASSERT_TRUE(SealOne(files[0]).done());
  ASSERT_TRUE(SealOne(files[0]).done());
  EXPECT_FALSE(ReadFileBytes(files[0]) == first);
}

TEST_F(SealTransactionTest, EveryRefusalLeavesTheFileAsItWas) {
  const std::string file = MakeFile("f", RandomBytes(50000, 9));
  ASSERT_TRUE(SealOne(file).done());
  const Bytes sealed = ReadFileBytes(file);
  const auto refused = [&](const char* what, const char* password, WorkOutcome outcome,
                           seal::SealFault fault) {
    SCOPED_TRACE(what);
    const auto before = Now(file);
    const WorkResult r = SealOne(file, password);
    EXPECT_EQ(r.outcome, outcome);
    if (outcome == WorkOutcome::NotDone) {
      EXPECT_EQ(r.reason.seal, fault) << r.reason;
    }
    EXPECT_EQ(Now(file), before);
  };
  refused("wrong password", "pW", WorkOutcome::WrongPassword, seal::SealFault::None);
  // A byte changed in the content (the MAC finds it), or in the record (its tail's check does).
  for (size_t at : {size_t(0), size_t(49999), size_t(50000 + 3), size_t(50000 + 140)}) {
    Bytes changed = sealed;
    changed[at] ^= 1;
    WriteFileBytes(file, changed);
    refused("a changed byte", "pw", WorkOutcome::NotDone,
            at < 50000 ? seal::SealFault::Changed : seal::SealFault::Damaged);
  }
  Bytes cut(sealed.begin() + 1, sealed.end());
  WriteFileBytes(file, cut);
  refused("cut at its start", "pw", WorkOutcome::NotDone, seal::SealFault::LengthDiffers);
  // The record gone from its end, its attribute kept.
  WriteFileBytes(file, Bytes(sealed.begin(), sealed.end() - long(seal::kRecordSize)));
  refused("record cut off", "pw", WorkOutcome::NotDone, seal::SealFault::Damaged);

  // A coded file is not sealed, nor a sealed one coded.
  WriteFileBytes(file, sealed);
  SetXattr(file, seal::kSealAttr,
           std::string(sealed.end() - long(seal::kRecordSize), sealed.end()));
  EnterPassword("pw");
  const auto before = Now(file);
  EXPECT_FALSE(InspectAndWork(file));
  EXPECT_EQ(result_.reason.code, FaultCode::SealedNotCoded);
  EXPECT_EQ(Now(file), before);
  ASSERT_TRUE(SealOne(file).done());
  ASSERT_TRUE(InspectAndWork(file));
  const auto coded = Now(file);
  EXPECT_EQ(SealOne(file).reason.code, FaultCode::CodedNotSealed);
  EXPECT_EQ(Now(file), coded);
}

// A sealing cut short is settled only with its password: without it the file, its marker and
// its journal stay as they are, and the look says what it needs.
TEST_F(SealTransactionTest, AnInterruptedSealingWaitsForItsPassword) {
  const Bytes plain = RandomBytes(300 * 1024, 5);
  const std::string file = MakeFile("f", plain);
  ASSERT_TRUE(InterruptChange(file, "pw", 3, true));
  const auto interrupted = Now(file);
  Inspection found = engine_->Inspect(file);
  EXPECT_EQ(found.notWorkable, NotWorkable::Unsettled);
  ASSERT_TRUE(found.recovery);
  EXPECT_EQ(found.recovery->why.code, FaultCode::NeedsPassword) << found.recovery->why;
  EXPECT_EQ(Now(file), interrupted);
  SealPassword wrong("px", seal::kMinCost);
  engine_->SetSealPassword(&wrong);
  EXPECT_FALSE(engine_->Inspect(file).recovery->settled);
  EXPECT_EQ(Now(file), interrupted);
  SealPassword right("pw", seal::kMinCost);
  engine_->SetSealPassword(&right);
  found = engine_->Inspect(file);
  ASSERT_TRUE(found.recovery && found.recovery->settled) << found.whyNot;
  EXPECT_TRUE(found.sealed);
  engine_->SetSealPassword(nullptr);
  EXPECT_EQ(SealOne(file).outcome, WorkOutcome::Unsealed);
  EXPECT_TRUE(ReadFileBytes(file) == plain);
}

}  // namespace
