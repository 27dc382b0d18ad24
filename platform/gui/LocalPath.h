#pragma once
// Paths of local files as Linux spells them: byte strings. Qt's strings hold Unicode, so a name
// whose bytes are not UTF-8 would be mangled on its way through one (and could then name another
// file); these take the bytes from command-line arguments and from file URLs as they are.
#include <string>

class QUrl;

namespace plat {

// The path of a local file URL: its percent-encoded bytes decoded ("file:///a/%E4" gives the
// bytes "/a/\xE4"). A host other than none is kept in front, "//host/path", as Qt does.
std::string LocalPathOf(const QUrl& url);

// A command-line argument as an absolute path: a file URL decoded, an absolute path as it is, a
// relative one taken from the current folder. Empty when there is none to be had.
std::string PathOfArgument(const char* arg);

}  // namespace plat
