#pragma once
// The files murvelctl works on, handed out a batch at a time, so that its memory stays the same
// however many files there are: those named, and with --recursive those inside the folders named,
// in name order, folder by folder. Folders are walked through open folder descriptors, so a file
// at any depth is reached: where a file's whole path would be too long for the kernel, its batch
// names it by its leaf name from its own folder, which the batch makes the current folder.
// Inside a folder, links are never followed (a link may lead out of the folder): they are listed
// as skipped, with the reason; so is anything the walk cannot read. The journals of changes are
// no files of the user's and are not listed.
#include <sys/types.h>

#include <set>
#include <string>
#include <vector>

#include "platform/OpenFile.h"

struct ListedFile {
  std::string path;         // as the result lines show it
  std::string skipped;      // why it is not worked on; empty: it is
  std::string open;         // how the engine is to name it: the path, or the leaf name
  bool unreadable = false;  // skipped because the walk could not read it (a failure, not a choice)
};

// How the engine is to name the file (the path, unless the walk said otherwise).
inline const std::string& EngineName(const ListedFile& f) {
  return f.open.empty() ? f.path : f.open;
}

class FileStream {
 public:
  // With `sweepJournals`, the journals that no file needs any more are removed from each folder
  // before its first batch (code, decode and recover do so; status only looks).
  // `namesHeld`: the names of one folder held at a time; a larger folder is read again for each
  // such part.
  FileStream(std::vector<std::string> named, bool recursive, bool sweepJournals,
             size_t namesHeld = kNamesHeld);
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // The next files, at most `most`, and sets the current folder they are named from. False
  // when there are none left.
  bool Next(std::vector<ListedFile>* batch, size_t most = 512);

  static constexpr size_t kNamesHeld = 16384;

 private:
  struct Level;
  bool Ready(const Level& level, std::vector<ListedFile>* batch);
  // Makes the folder `fd` the current one. When that cannot be, the files of `batch` (if any)
  // are skipped, since their names would be taken from another folder.
  bool Enter(int fd, std::vector<ListedFile>* batch);
  int Refill(Level& level);
  void PushFolder(plat::OpenFile folder, const std::string& shown);
  void Sweep(const std::string& folder);

  std::vector<std::string> named_;
  size_t nextNamed_ = 0;
  bool recursive_;
  bool sweepJournals_;
  size_t namesHeld_;
  plat::OpenFile start_;  // the current folder at the start, which short paths are named from
  std::vector<Level> levels_;
  std::set<std::string> sweptNamed_;  // the folders of named files, swept already
};
