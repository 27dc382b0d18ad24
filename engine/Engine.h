#pragma once
// The file work of the window, free of widgets: inspection of the current file, the content
// cipher, the coding transaction and the folder operations. It works on a WorkState and shows
// what the user must see through an EngineView. The window's operations of the same names
// delegate here; so does the command-line tool.
#include <string>

#include "engine/EngineView.h"
#include "engine/WorkState.h"
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
  // record (DecodSim). The file is unchanged when the outcome is a failure.
  plat::Outcome CodSim();
  plat::Outcome DecodSim();
  // Folder operations over `folder` (the codec folder).
  void DecAllFold(const std::string& folder);
  void ScanFold(const std::string& folder);

 private:
  WorkState& s_;
  EngineView& view_;
};
