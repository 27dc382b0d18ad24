#include "platform/TextCatalog.h"

#include <cstdlib>
#include <fstream>

namespace plat {
namespace {

std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

bool TextCatalog::Load(const std::string& path) {
  texts_.clear();
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    texts_[Unescaped(line.substr(0, tab))] = Unescaped(line.substr(tab + 1));
  }
  return true;
}

const char* TextCatalog::Find(const char* text) const {
  if (texts_.empty()) return text;
  auto it = texts_.find(text);
  return it == texts_.end() ? text : it->second.c_str();
}

std::vector<std::string> WantedLanguages() {
  std::vector<std::string> names;
  const char* language = std::getenv("LANGUAGE");
  if (language && *language) {
    std::string list = language;
    for (size_t at = 0; at <= list.size();) {
      size_t end = list.find(':', at);
      if (end == std::string::npos) end = list.size();
      if (end > at) names.push_back(list.substr(at, end - at));
      at = end + 1;
    }
  } else {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(var);
      if (value && *value) {
        names.push_back(value);
        break;
      }
    }
  }
  std::vector<std::string> wanted;
  for (std::string name : names) {
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") continue;
    wanted.push_back(name);
    const size_t under = name.find('_');
    if (under != std::string::npos) wanted.push_back(name.substr(0, under));
  }
  return wanted;
}

bool LoadWantedCatalog(const std::string& installed, TextCatalog* catalog) {
  const char* dir = std::getenv("MURVEL_LOCALEDIR");
  const std::string folder = dir && *dir ? dir : installed;
  for (const std::string& language : WantedLanguages())
    if (catalog->Load(folder + "/" + language + ".txt")) return true;
  return false;
}

std::string FillPattern(const std::string& text, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace plat
