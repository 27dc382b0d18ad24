#pragma once
// The file work of the window, free of widgets: inspection of the current file, the content
// cipher, the coding transaction and the folder operations. It works on a WorkState and shows
// what the user must see through an EngineView. The window's operations of the same names
// delegate here; so does the command-line tool.
#include <optional>
#include <string>

#include "engine/AttrSnapshot.h"
#include "engine/CipherTransform.h"
#include "engine/ContentPass.h"
#include "engine/EngineView.h"
#include "engine/WorkState.h"
#include "platform/Node.h"
#include "platform/Outcome.h"

class Engine {
 public:
  Engine(WorkState& state, EngineView& view) : s_(state), view_(view) {}

  // Inspects the current path: workable or not, plain or coded. With `setLabel` the Do-it
  // button's label becomes "CODE IT" or "DECODE IT".
  void XCheck(bool setLabel);
  // Codes or decodes the current file. False when the entry is not workable, the password did not
  // match, or the work could not be done (the file is then left as it was).
  bool XWork();
  // The content pass over the current file, keyed by the working record (CodSim) or the file
  // record (DecodSim). A pass that fails turns back what it changed; its reason says so, or
  // that this failed too.
  plat::Outcome CodSim();
  plat::Outcome DecodSim();
  // Folder operations over `folder` (the codec folder).
  void DecAllFold(const std::string& folder);
  void ScanFold(const std::string& folder);

  // Told of the progress of every content pass that CodSim and DecodSim run (empty: nothing).
  void SetProgress(PassProgress progress) { progress_ = std::move(progress); }
  // Makes XWork act only on a file that is still plain (`coded` false) or coded (true), as
  // found under its lock, so that a file another program changed since the inspection is not
  // turned back (the command-line tool never decodes when asked to code). Unset: XWork toggles.
  void SetExpectedState(std::optional<bool> coded) { expectCoded_ = coded; }

 private:
  // The current path with every link followed: the one file whose bytes and attributes the
  // transaction works on.
  std::string WorkFile() const;
  plat::Outcome RunPass(const char* timeCode, CipherDirection dir);

  // The two directions of XWork, entered with the node open and the record read.
  bool CodeFile(plat::Node& node, const std::string& file);
  bool DecodeFile(plat::Node& node, const std::string& file);
  // The change itself, once the record is at hand: the content pass in direction `dir`, then the
  // attribute steps. A file that cannot be changed is refused before anything is touched; a
  // failed step puts bytes and attributes back. Failures print one line after `lead` and beep.
  bool ChangeFile(plat::Node& node, const std::string& file, CipherDirection dir, const char* lead);
  // The attribute steps after the bytes were transformed; they stop at the first failure.
  plat::Outcome MoveAttrsToStash(plat::Node& node);
  plat::Outcome MoveAttrsFromStash(plat::Node& node);
  // Prints "`lead`: why", beeps, and gives false.
  bool Refuse(const char* lead, const plat::Outcome& why);
  // After a failed attribute step: bytes transformed back (the pass ran in direction `done`),
  // attributes as they were; one line saying so, and a beep.
  void RollBack(plat::Node& node, const std::string& file, const AttrSnapshot& snapshot,
                const char* timeCode, CipherDirection done, const char* lead,
                const plat::Outcome& why);
  bool PasswordMatches();
  // Inspects every entry of `folder` and works on those whose coded flag equals `coded`.
  void WorkOverFolder(const std::string& folder, bool coded);

  WorkState& s_;
  EngineView& view_;
  PassProgress progress_;
  std::optional<bool> expectCoded_;
};
