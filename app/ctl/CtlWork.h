#pragma once
// The work of murvelctl on one file at a time, on the same engine as the window: the same
// inspection, the same transaction, the same attributes. Each call writes one result line
// ("STATE: FILE" or "STATE: FILE: DETAIL") and tells whether the file was done.
#include <cstdio>
#include <string>

#include "app/ctl/CtlView.h"
#include "app/ctl/OutputChannels.h"
#include "app/ctl/ProgressLine.h"
#include "engine/Engine.h"
#include "engine/WorkState.h"

class CtlWork {
 public:
  CtlWork(OutputChannels& out, ProgressLine& progress);

  // The password for code and decode: at most 20 bytes, as the window keeps it.
  void SetPassword(const std::string& password);

  // Codes a plain file; a coded one is skipped.
  bool Code(const std::string& file);
  // Decodes a coded file with the password; a plain one is skipped.
  bool Decode(const std::string& file);
  // Tells whether the file is coded and, when it is, the name and the moment of its record.
  bool Status(const std::string& file);
  // The line for a file that was not worked on because murvelctl is stopping.
  void Interrupted(const std::string& file);

 private:
  // Codes a plain file (`decode` false) or decodes a coded one; a file in the other state is
  // skipped.
  bool CodeOrDecode(const std::string& file, bool decode);
  // Runs the inspection on `file`. False, with the reason, when it is not workable.
  bool Inspect(const std::string& file, std::string* whyNot);
  // Runs the transaction with a progress line labelled `verb` and the file's leaf name.
  bool Transact(const char* verb);
  // Whether the file the inspection settled on carries a record now.
  bool CarriesRecord() const;
  void Report(const char* state, const std::string& file, const std::string& detail = {});

  OutputChannels& out_;
  ProgressLine& progress_;
  WorkState state_;
  CtlView view_;
  Engine engine_;
};

// Why the entry at `path` cannot be worked on, or empty when nothing speaks against it:
// missing, a dangling link, a folder, not a regular file, or a file system without attributes.
std::string WhyNotWorkable(const std::string& path);
