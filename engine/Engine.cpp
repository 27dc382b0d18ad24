#include "engine/Engine.h"

#include "platform/CodedEmblem.h"
#include "platform/Paths.h"

ChangeRequest RequestFor(const Inspection& found, std::optional<bool> expectCoded) {
  ChangeRequest r;
  r.file = found.workable() ? found.file : std::string();
  r.recordName = plat::LeafOf(found.file);
  r.expectCoded = expectCoded;
  return r;
}

ChangeRequest RescueRequest(const Inspection& found, const uint8_t key[6]) {
  ChangeRequest r = RequestFor(found, false);
  ChangeRequest::Bytes bytes{CipherDirection::Decode, {}};
  for (int i = 0; i < 6; ++i) bytes.key[i] = key[i];
  r.bytesOnly = bytes;
  return r;
}

TransactionOptions Engine::Options(const Password& password) const {
  TransactionOptions o;
  o.passwordSet = password.set;
  o.password = password.text;
  o.windowBytes = windowBytes_;
  o.sweepStaleJournals = sweepStaleJournals_;
  o.sealPassword = sealPassword_;
  if (view_) {
    EngineView* view = view_;
    o.progress = [view](const std::string& file, uint64_t done, uint64_t total) {
      view->Progress(file, done, total);
    };
  }
  return o;
}

WorkResult Engine::Work(const Inspection& found, const Password& password,
                        std::optional<bool> expectCoded) {
  if (!found.workable()) {
    WorkResult r;
    r.file = found.file;
    return r;
  }
  WorkResult r = RunTransaction({RequestFor(found, expectCoded)}, Options(password))[0];
  Mark(r);
  return r;
}

std::vector<WorkResult> Engine::WorkMany(
    const std::vector<ChangeRequest>& requests, const Password& password,
    const std::function<void(size_t, const WorkResult&)>& onResult,
    const std::function<bool()>& stopRequested) {
  TransactionOptions o = Options(password);
  o.onResult = [this, &onResult](size_t i, const WorkResult& r) {
    Mark(r);
    if (onResult) onResult(i, r);
  };
  o.stopRequested = stopRequested;
  return RunTransaction(requests, o);
}

void Engine::Mark(const WorkResult& r) const {
  if (r.done()) Mark(r.file, r.outcome == WorkOutcome::Coded || r.outcome == WorkOutcome::Sealed);
}

void Engine::Mark(const std::string& file, bool coded) const {
  if (marks_) plat::SetCodedEmblem(file, coded);
}

WorkResult Engine::TurnBytes(const std::string& file, const uint8_t key[6],
                             CipherDirection direction) {
  ChangeRequest r;
  r.file = file;
  ChangeRequest::Bytes bytes{direction, {}};
  for (int i = 0; i < 6; ++i) bytes.key[i] = key[i];
  r.bytesOnly = bytes;
  Password none;
  return RunTransaction({r}, Options(none))[0];
}
