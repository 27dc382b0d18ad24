#include "app/ctl/CtlWork.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codec/CCO.h"
#include "codec/TimeCode.h"
#include "engine/LinkTarget.h"
#include "platform/Node.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace {

// Record fields come from a file and may hold anything: control bytes are shown as '?'.
std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

std::string RecordDetail(CCO& record) {
  TimeFields t = ReadTimeCode(record.GetFTime());
  char when[64];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hours,
                t.minutes, t.seconds);
  return "\"" + Printable(record.Name()) + "\", " + when;
}

// The engine's last line of diagnostics, which says why a file was not done, without its tag.
std::string EngineReason(const std::string& diagnostics) {
  std::string line = LastLine(diagnostics);
  return line.rfind("> ", 0) == 0 ? line.substr(2) : line;
}

}  // namespace

std::string WhyNotWorkable(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return std::strerror(errno);
  std::string file = path;
  if (S_ISLNK(st.st_mode)) {
    file = ResolvedFile(path);
    if (file.empty()) return "its link leads nowhere";
    if (stat(file.c_str(), &st) != 0) return std::strerror(errno);
  }
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  if (!S_ISREG(st.st_mode)) return "it is not a regular file";
  plat::Volume volume;
  if (volume.SetTo(file) != 0 || !volume.KnowsAttr()) {
    return "its file system keeps no attributes";
  }
  return {};
}

CtlWork::CtlWork(OutputChannels& out, ProgressLine& progress)
    : out_(out), progress_(progress), engine_(state_, view_) {
  engine_.SetProgress([this](uint64_t done, uint64_t total) { progress_.Update(done, total); });
}

void CtlWork::SetPassword(const std::string& password) {
  size_t len = std::min(password.size(), sizeof state_.password - 1);
  std::memcpy(state_.password, password.data(), len);
  state_.password[len] = '\0';
  state_.passwordSet = true;
}

bool CtlWork::Inspect(const std::string& file, std::string* whyNot) {
  whyNot->clear();
  std::string reason = WhyNotWorkable(file);
  state_.currentPath = file;
  state_.workable = false;
  state_.coded = false;
  engine_.XCheck(false);
  std::string said = EngineReason(out_.TakeDiagnostics());
  // The inspection takes a record it cannot read for none; a script must not be told "plain".
  if (reason.empty() && state_.workable && state_.attrSize < 0 && state_.attrSize != -ENODATA) {
    reason = std::string("can't read its attributes: ") + std::strerror(-state_.attrSize);
  }
  if (state_.workable && reason.empty()) return true;
  *whyNot = !reason.empty() ? reason : !said.empty() ? said : "the inspection refused it";
  return false;
}

bool CtlWork::CarriesRecord() const {
  plat::Node node(state_.currentPath);
  char value[kPrivCodecReadMax];
  return node.ReadAttr(kPrivCodecAttr, plat::B_RAW_TYPE, 0, value, sizeof value) >=
         kPrivCodecMinBytes;
}

bool CtlWork::Transact(const char* verb) {
  view_.Clear();
  progress_.Start(std::string(verb) + " " + plat::LeafOf(state_.currentPath));
  bool ok = engine_.XWork();
  progress_.Finish();
  return ok;
}

bool CtlWork::Code(const std::string& file) {
  return CodeOrDecode(file, false);
}

bool CtlWork::Decode(const std::string& file) {
  return CodeOrDecode(file, true);
}

bool CtlWork::CodeOrDecode(const std::string& file, bool decode) {
  std::string why;
  if (!Inspect(file, &why)) {
    Report("not workable", file, why);
    return false;
  }
  if (state_.coded != decode) {
    Report("skipped", file, decode ? "not coded" : "already coded");
    return false;
  }
  engine_.SetExpectedState(decode);
  bool ok = Transact(decode ? "decoding" : "coding");
  std::string said = EngineReason(out_.TakeDiagnostics());
  if (decode && view_.PasswordRefused()) {
    Report("wrong password", file);
    return false;
  }
  // Done when the record is there after coding, and gone after decoding.
  if (ok && CarriesRecord() != decode) {
    Report(decode ? "decoded" : "coded", file);
    return true;
  }
  Report("failed", file, !said.empty() ? said : decode ? "not decoded" : "not coded");
  return false;
}

bool CtlWork::Status(const std::string& file) {
  std::string why;
  if (!Inspect(file, &why)) {
    Report("not workable", file, why);
    return false;
  }
  if (state_.coded) {
    Report("coded", file, RecordDetail(*state_.fileRecord));
  } else {
    Report("plain", file);
  }
  return true;
}

void CtlWork::Interrupted(const std::string& file) {
  Report("skipped", file, "interrupted");
}

void CtlWork::Report(const char* state, const std::string& file, const std::string& detail) {
  std::FILE* out = out_.Results();
  if (detail.empty()) {
    std::fprintf(out, "%s: %s\n", state, Printable(file).c_str());
  } else {
    // The detail may quote the file's path too (the engine's reasons do).
    std::fprintf(out, "%s: %s: %s\n", state, Printable(file).c_str(), Printable(detail).c_str());
  }
  std::fflush(out);
}
