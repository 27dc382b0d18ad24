#pragma once
// The files murvelctl works on: those named, and with --recursive those inside the folders named,
// in name order, folder by folder. Inside a folder, links are never followed (a link may lead out
// of the folder): they are listed as skipped, with the reason. The journals of changes are no
// files of the user's and are not listed.
#include <string>
#include <vector>

struct ListedFile {
  std::string path;
  std::string skipped;  // why it is not worked on; empty: it is
};

std::vector<ListedFile> ListFiles(const std::vector<std::string>& named, bool recursive);
