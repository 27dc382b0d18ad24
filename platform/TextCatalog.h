#pragma once
// The program's own texts in another language: one catalog file per language, each line an
// original text, a tab, and its translation ("\n", "\t" and "\\" written as such). Free of Qt,
// so that murvelctl uses it as it is; the window reaches it through Qt's translation machinery.
// No catalog is shipped yet: without one every text is its original.
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <vector>

namespace plat {

class TextCatalog {
 public:
  // Reads the catalog at `path`; false (and an empty catalog) when it cannot be read.
  bool Load(const std::string& path);
  // The translation of `text`, or `text` itself.
  const char* Find(const char* text) const;
  bool Empty() const { return texts_.empty(); }

 private:
  std::unordered_map<std::string, std::string> texts_;
};

// `text` with each "%s" replaced by the next of `args` in turn (a translated pattern may move
// them); a "%s" beyond the last argument stays as it is.
std::string FillPattern(const std::string& text, std::initializer_list<std::string> args);

// The languages the user asks for, most wanted first: LANGUAGE's list, else LC_ALL, LC_MESSAGES
// or LANG; each as "ll_CC" followed by "ll" (encoding and modifier dropped). None for C/POSIX.
std::vector<std::string> WantedLanguages();

// Loads into `catalog` the first of `folder`/LANGUAGE.txt that exists for the wanted languages.
// The folder is $MURVEL_LOCALEDIR when set, else `installed`.
bool LoadWantedCatalog(const std::string& installed, TextCatalog* catalog);

}  // namespace plat
