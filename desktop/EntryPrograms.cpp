#include "desktop/EntryPrograms.h"

#include <algorithm>
#include <functional>

#include "desktop/DesktopEntry.h"
#include "desktop/DesktopSetup.h"
#include "desktop/FileManagerActions.h"
#include "desktop/MimeType.h"
#include "desktop/ThunarActions.h"
#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "platform/Program.h"

namespace {

bool StartsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// Each "from" in `text` as "to", read left to right.
std::string Unescaped(const std::string& text,
                      const std::vector<std::pair<std::string, char>>& escapes) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool matched = false;
    for (const auto& [from, to] : escapes) {
      if (text.compare(i, from.size(), from) == 0) {
        out += to;
        i += from.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += text[i++];
  }
  return out;
}

// The inverse of QuotedArgument's inside: four backslashes a backslash, two before a quote,
// backquote or dollar that character, the control escapes, "%%" a percent sign.
std::string UnquotedArgument(const std::string& inside) {
  return Unescaped(inside, {{"\\\\\\\\", '\\'},
                            {"\\\\\"", '"'},
                            {"\\\\`", '`'},
                            {"\\\\$", '$'},
                            {"\\n", '\n'},
                            {"\\r", '\r'},
                            {"\\t", '\t'},
                            {"%%", '%'}});
}

}  // namespace

namespace plat {

bool UnShellWord(const std::string& word, std::string* program) {
  if (word.empty()) return false;
  if (word.front() != '\'') {
    *program = word;
    return true;
  }
  if (word.size() < 2 || word.back() != '\'') return false;
  *program = Unescaped(word.substr(1, word.size() - 2), {{"'\\''", '\''}});
  return true;
}

bool UnCommandWord(const std::string& word, std::string* program) {
  const std::string shell = std::string(kShellStart) + " " + ShellWord(kShellExec) + " ";
  const std::string rest = StartsWith(word, shell) ? word.substr(shell.size()) : word;
  return UnShellWord(Unescaped(rest, {{"%%", '%'}}), program);
}

bool UnExecProgram(const std::string& word, std::string* program) {
  const std::string shell = std::string(kShellStart) + " " + QuotedArgument(kShellExec) + " ";
  const std::string rest = StartsWith(word, shell) ? word.substr(shell.size()) : word;
  if (rest.empty()) return false;
  if (rest.front() != '"') {
    *program = rest;
    return true;
  }
  if (rest.size() < 2 || rest.back() != '"') return false;
  *program = UnquotedArgument(rest.substr(1, rest.size() - 2));
  return true;
}

}  // namespace plat

namespace {

// One kind of entry: what a start writes for a program, and how the program stands in it.
struct EntryForm {
  std::function<std::string(const std::string&)> write;
  std::function<bool(const std::string&, std::string*)> unquote;
};

// The program that `text` holds `form` for, or empty. The form written for a plain stand-in path
// shows the fixed text before the program and the fixed text right after it; the word between
// them in `text` is unquoted, and the form written for that program must be `text` (or, for
// Thunar's element, stand in it).
std::string ProgramIn(const std::string& text, const EntryForm& form, bool within) {
  const std::string standIn = "/murvel-stand-in";
  const std::string pattern = form.write(standIn);
  const size_t at = pattern.find(standIn);
  if (at == std::string::npos) return "";
  const std::string head = pattern.substr(0, at);
  const std::string after = pattern.substr(at + standIn.size());
  const std::string tail = after.substr(0, std::min(after.find(standIn), after.size()));
  const size_t start = within ? text.find(head) : 0;
  if (start == std::string::npos || text.compare(start, head.size(), head) != 0) return "";
  const size_t from = start + head.size();
  const size_t end = tail.empty() ? text.size() : text.find(tail, from);
  if (end == std::string::npos) return "";
  std::string program;
  if (!form.unquote(text.substr(from, end - from), &program) || program.empty()) return "";
  const std::string again = form.write(program);
  return (within ? text.find(again) != std::string::npos : text == again) ? program : "";
}

std::string EntryWithTypes(const std::string& program, const std::vector<std::string>& types) {
  plat::DesktopEntryFields fields = ProgramDesktopEntry(program);
  fields.mimeTypes = types;
  return plat::DesktopEntryText(fields);
}

// The file-manager entry of that index among FileManagerActionFiles (Nautilus, Dolphin, Nemo).
std::string ActionFileText(const std::string& program, size_t index) {
  return plat::FileManagerActionFiles(ProgramFileAction(program))[index].text;
}

}  // namespace

std::vector<std::string> EarlierDesktopEntryTexts(const std::string& program) {
  return {EntryWithTypes(program, {"text/x-CodedData", "application/octet-stream"})};
}

std::vector<std::string> ProgramsOfUserEntries() {
  std::vector<std::string> programs;
  std::string data, config;
  const bool hasData = plat::FindUserDataDirectory(&data);
  const bool hasConfig = plat::FindUserSettingsDirectory(&config, false);
  auto read = [&programs](const std::string& path, const EntryForm& form, bool within) {
    std::string text;
    if (path.empty() || !plat::ReadWholeFile(path, &text).ok()) return;
    const std::string program = ProgramIn(text, form, within);
    if (!program.empty() && std::find(programs.begin(), programs.end(), program) == programs.end())
      programs.push_back(program);
  };

  const plat::FileAction standIn = ProgramFileAction("/murvel-stand-in");
  if (hasData) {
    const std::string entry =
        data + "/applications/" + plat::MimeType::DesktopId(plat::kProgramSignature);
    read(entry,
         {[](const std::string& p) { return plat::DesktopEntryText(ProgramDesktopEntry(p)); },
          plat::UnExecProgram},
         false);
    read(entry,
         {[](const std::string& p) { return EarlierDesktopEntryTexts(p)[0]; }, plat::UnExecProgram},
         false);
    const std::vector<plat::ActionFile> files = plat::FileManagerActionFiles(standIn);
    read(data + "/" + files[0].relativePath,
         {[](const std::string& p) { return ActionFileText(p, 0); }, plat::UnShellWord}, false);
    read(data + "/" + files[1].relativePath,
         {[](const std::string& p) { return ActionFileText(p, 1); }, plat::UnExecProgram}, false);
    // Nemo's command line is a key file's string value (its backslashes doubled).
    read(data + "/" + files[2].relativePath,
         {[](const std::string& p) { return ActionFileText(p, 2); },
          [](const std::string& word, std::string* program) {
            return plat::UnCommandWord(
                Unescaped(word, {{"\\\\", '\\'}, {"\\n", '\n'}, {"\\r", '\r'}, {"\\t", '\t'}}),
                program);
          }},
         false);
  }
  if (hasConfig) {
    read(config + "/Thunar/uca.xml",
         {[](const std::string& p) { return plat::ThunarActionElement(ProgramFileAction(p)); },
          [](const std::string& word, std::string* program) {
            return plat::UnCommandWord(
                Unescaped(word, {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}}), program);
          }},
         true);
  }
  return programs;
}
