#pragma once
// What the tests of the file work share (the engine's, murvelctl's and the window's end-to-end
// test): a view that records what the user would see, a temporary folder on the machine's own
// file system (real files, real "user." xattrs), a fixed clock, and helpers that read and write
// files and xattrs straight through the system calls.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/words/Diagnostics.h"
#include "engine/Engine.h"
#include "platform/Clock.h"
#include "tests/codec/CodecTestSupport.h"

// A fault in a failed test's message, in the program's words.
inline std::ostream& operator<<(std::ostream& os, const Fault& fault) {
  return os << FaultText(fault);
}

// What the engine tells while it works, recorded.
struct RecorderView : EngineView {
  void Progress(const std::string& file, uint64_t done, uint64_t total) override {
    progress.push_back({file, done, total});
  }
  void Looking(const std::string& path) override { looked.push_back(path); }

  struct Step {
    std::string file;
    uint64_t done, total;
  };
  std::vector<Step> progress;
  std::vector<std::string> looked;
};

using Bytes = std::vector<uint8_t>;
using XattrMap = std::map<std::string, std::string>;

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes RandomBytes(size_t n, unsigned seed);
// Every "user." xattr of the file (links followed), name without the prefix -> value.
XattrMap AllXattrs(const std::string& path);
std::optional<std::string> GetXattr(const std::string& path, const std::string& name);
void SetXattr(const std::string& path, const std::string& name, const std::string& value);
// A text with its terminating zero, as a text attribute holds it.
std::string CText(const char* text);

// The cipher rule written out here, independently of the engine.
Bytes CodedByRule(const Bytes& plain, const uint8_t key[6]);
const uint8_t* KeyBytes(const std::string& timeCode);

// The fields of a PrivCodec value, unscrambled here, independently of the record class.
struct PlainRecord {
  int lineLength = -1;
  std::string timeCode, name, password;
};
PlainRecord UnscrambleRecord(const std::string& value);

// The moment of the fixture's clock, and its time code by the table of offsets.
std::tm FixtureMoment();
extern const std::string kFixtureTimeCode;

// Gives a file a type, a preferred application and both icons, through the platform layer.
void DecorateFile(const std::string& path);
// Makes a file unwritable even for root (the immutable flag) or, for others, read-only; a
// second call with `on` false undoes it.
bool MakeUnwritable(const std::string& path, bool on);
bool RunningAsRoot();

// Leaves a real interrupted change on the file at `path`: a child process codes (or decodes) it
// with `password`, or seals (unseals) it with `sealing`, and is killed with SIGKILL as its pass
// writes the file's bytes for the `writes`-th time. True when the child died so and the file
// carries the change marker.
bool InterruptChange(const std::string& path, const char* password, int writes = 2,
                     bool sealing = false);

// A test with a fresh temporary folder (removed afterwards, with any mount left inside it), an
// entered password, a recorder view, an engine and a fixed clock. XDG folders point inside it.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& leaf) const { return dir_ + "/" + leaf; }
  std::string MakeFile(const std::string& leaf, const Bytes& bytes);
  void EnterPassword(const char* password);
  // Inspects `path` and works on the file it names, as a drop and a press of "Do it" would;
  // the window's diagnostic lines for both in `*out`, the results in inspection_ and result_.
  // True when the file was coded or decoded, or nothing was to be done for want of a password.
  bool InspectAndWork(const std::string& path, std::string* out = nullptr);
  // Mounts a file system of `type` on the new folder `leaf`; false (with a note) unless root.
  bool MountOn(const std::string& leaf, const char* type, const char* options);

  std::string dir_;
  std::unique_ptr<plat::FixedClock> clock_;
  Password password_;
  RecorderView view_;
  std::unique_ptr<Engine> engine_;
  Inspection inspection_;
  WorkResult result_;
};
