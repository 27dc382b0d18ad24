#pragma once
// What a folder operation ("Decode All", or the watch-folder pass at closing) did, counted entry
// by entry: the files it decoded or coded, and the files it left, each with its reason. Left are
// the files it would have worked on but did not (a wrong password, a failure) and the entries it
// could not even look into (unreadable, a link, no attributes). Entries outside its reach count
// for nothing: subfolders and devices, plain files for "Decode All", coded ones for the pass
// that codes, and files another program brought into the wanted state meanwhile. A sealed file
// is left by both, and counted so.
#include <string>
#include <vector>

#include "app/Notices.h"
#include "engine/Engine.h"

class FolderSummary {
 public:
  // `operation` names it in the texts ("Decode All"); `decode` is the way it works.
  FolderSummary(std::string operation, bool decode);

  void Add(const FolderEntry& entry);
  // The folder itself could not be read, so nothing in it was looked at.
  void FolderUnreadable(const std::string& folder, const std::string& why);

  int Done() const { return done_; }
  int Left() const { return int(leftCount_) + (unreadable_.empty() ? 0 : 1); }
  bool AllDone() const { return Left() == 0; }

  // For the file label: "3 decoded, 1 left".
  std::string Brief() const;
  // The line on standard output: "> Decode All: 3 decoded, 1 left (1 wrong password)".
  std::string Line() const;
  // For the label's tooltip: the line's words, then one line for each file left.
  std::string Details() const;

 private:
  std::string Counts() const;
  void Leave(const Notice& why);

  std::string operation_;
  bool decode_;
  int done_ = 0;
  // The files left: how many, how many for each kind of notice (in the order they first came), and
  // the first few of them with their reasons; a folder of any size takes the same memory.
  size_t leftCount_ = 0;
  std::vector<std::pair<NoticeKind, int>> reasons_;
  std::vector<Notice> left_;
  std::string unreadable_;  // why the folder could not be read
};
