#pragma once
// The file work, free of widgets, for the window and for murvelctl alike: the inspection of an
// entry, the coding transaction over one file or many, the settling of interrupted changes, and
// the folder operations. Every operation returns what it found and did as values
// (engine/Results.h); the window prints its diagnostic lines from them (app/words/Diagnostics.h)
// and shows them in its views, murvelctl prints its result lines. While a long operation runs, the
// engine tells its view (EngineView.h) how far it is.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineView.h"
#include "engine/FileInspection.h"
#include "engine/Results.h"
#include "engine/Transaction.h"
#include "engine/journal/Recovery.h"

struct Password {
  bool set = false;
  plat::SecretText text;  // at most plat::kPasswordMax bytes
};

// An entry of a folder operation: what the inspection found, and the work when there was any.
struct FolderEntry {
  Inspection inspection;
  bool skippedLink = false;  // a link: folder operations never follow one
  std::optional<WorkResult> work;
};

class Engine {
 public:
  explicit Engine(EngineView* view = nullptr) : view_(view) {}

  // Inspects the entry at `path`; an interrupted change on its file is settled first. A caller
  // that inspects many files passes the same `volumes` to each.
  Inspection Inspect(const std::string& path, VolumeAnswers* volumes = nullptr) const {
    Inspection found = InspectEntry(path, volumes, sealPassword_);
    // A change completed or turned back now leaves the file coded or plain: marked so.
    if (found.recovery && found.recovery->settled && found.workable())
      Mark(found.file, found.coded);
    return found;
  }

  // Codes the file the inspection `found` when it is plain, decodes it when it is coded. With
  // `expectCoded` the work is done only when the file is still in that state under its lock.
  WorkResult Work(const Inspection& found, const Password& password,
                  std::optional<bool> expectCoded = std::nullopt);
  // The same for many files at once (one journal and one set of flushes for each batch).
  // `onResult` is told each result as soon as it is known, in order.
  std::vector<WorkResult> WorkMany(const std::vector<ChangeRequest>& requests,
                                   const Password& password,
                                   const std::function<void(size_t, const WorkResult&)>& onResult,
                                   const std::function<bool()>& stopRequested = {});
  // Turns only the bytes of `file` with `key`, keeping everything else (the window's content
  // pass operations), crash-safe like any change.
  WorkResult TurnBytes(const std::string& file, const uint8_t key[6], CipherDirection direction);

  // The folder operations: every coded file of `folder` decoded (`decode` true), or every plain
  // one coded, as if each had been dropped and the Do-it button pressed. Only the folder's own
  // regular files are worked on; links are skipped, and subfolders are not entered. `onEntry`
  // is told every entry in order, once its work is done.
  void WorkOverFolder(const std::string& folder, bool decode, const Password& password,
                      const std::function<void(const FolderEntry&)>& onEntry);

  // Whether a change removes the stale journals of its folder first (it does unless the caller
  // walks the folders and removes them itself).
  void SetSweepStaleJournals(bool on) { sweepStaleJournals_ = on; }

  // With `on`, each file that is coded or decoded gets or loses the lock emblem that file
  // managers show (platform/CodedEmblem.h). The programs turn it on; off at first.
  void MarkCodedFiles(bool on) { marks_ = on; }

  // For tests: the bytes of one pass window.
  void SetWindowBytes(size_t bytes) { windowBytes_ = bytes; }

  // The password for sealing and unsealing (requests with `sealing`) and for settling an
  // interrupted sealing or unsealing on a look; not owned. None: those are not done, and such a
  // file is reported as needing it.
  void SetSealPassword(SealPassword* password) { sealPassword_ = password; }

 private:
  TransactionOptions Options(const Password& password) const;

  void Mark(const WorkResult& result) const;
  void Mark(const std::string& file, bool coded) const;

  EngineView* view_;
  size_t windowBytes_ = kWindowBytes;
  bool sweepStaleJournals_ = true;
  bool marks_ = false;
  SealPassword* sealPassword_ = nullptr;
};

// The request for the file an inspection found.
ChangeRequest RequestFor(const Inspection& found, std::optional<bool> expectCoded = std::nullopt);
// The change that turns the bytes of the file `found` (which lost its record) back with `key`,
// done only when the file still carries no record under its lock (engine/rescue/Rescue.h).
ChangeRequest RescueRequest(const Inspection& found, const uint8_t key[6]);
