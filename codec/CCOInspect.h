#pragma once
// The record's own look at a file: is it a file, and does it carry a codec record? It reads the
// file's status, its link and its attribute; the record itself needs no file access.
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "codec/CCO.h"
#include "platform/Node.h"

class CCOInspect {
 public:
  explicit CCOInspect(CCO* record) : record_(record) {}

  // The entry that XCheck() examines.
  void SetPath(const std::string& path) { path_ = path; }
  // Looks at the entry: prints what it finds, and when it carries a record decodes it into the
  // record and prints it (to the terminal and the record's status view).
  void XCheck();
  bool IsFile() const { return isFile_; }
  bool HasRecord() const { return hasRecord_; }

 private:
  CCO* record_;
  std::string path_;
  plat::Node node_;
  struct stat status_ {};
  bool isFile_ = false;
  bool hasRecord_ = false;
  int32_t readResult_ = 0;
  char attrBuf_[1024] = {};
  char linkTarget_[1024] = {};
};
