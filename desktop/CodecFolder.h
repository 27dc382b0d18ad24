#pragma once
// The codec folder that "Decode All" and "watch Folder" work on. It is "codec" beside the
// program, as it has always been, when the user can work in that folder or make it there. A program
// installed for the system (in the folder it was built to be installed in, MURVEL_INSTALL_BINDIR,
// /usr/bin for the .deb), or one whose folder the user cannot write, uses "murvel/codec" in the
// user's data folder instead ($XDG_DATA_HOME, else ~/.local/share).
#include <string>

struct CodecFolder {
  std::string path;      // the folder chosen; empty when none could be named
  bool created = false;  // true when this call made it
  bool beside = true;    // true for "codec" beside the program
  std::string why;       // when the chosen folder is not there afterwards: the reason
};

// Chooses the codec folder, given the one beside the program (`beside`, as GetPath2APP names it;
// empty when the program's folder is unknown), and makes it (0755, with missing parents in the
// data folder) when it is not there.
CodecFolder EnsureCodecFolder(const std::string& beside);
