// murvelctl's tables against what is made from them and what is written beside them: the
// usage errors, the man page and the bash completion.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "app/ctl/CtlCommands.h"
#include "app/ctl/CtlWork.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of `text` from the one that is `from` up to the next ".SH".
std::vector<std::string> Section(const std::string& text, const std::string& from) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.rfind(".SH", 0) == 0)
      inside = line == from;
    else if (inside)
      lines.push_back(line);
  }
  return lines;
}

// The words of the completion's `compgen -W "..."` list that holds `member`.
std::set<std::string> CompletionWords(const std::string& script, const std::string& member) {
  std::istringstream in(script);
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find("compgen -W \"");
    if (at == std::string::npos) continue;
    std::istringstream words(line.substr(at + 12, line.find('"', at + 12) - at - 12));
    std::set<std::string> set;
    for (std::string w; words >> w;) set.insert(w);
    if (set.count(member)) return set;
  }
  return {};
}

// Turns '-' into the man page's "\-".
std::string Roff(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// The words a roff line sets in bold, as ".B words" or ".BR word roman" write them (quotes
// taken off); "" for any other line.
std::string BoldWords(const std::string& line) {
  std::string rest;
  if (line.rfind(".B ", 0) == 0)
    rest = line.substr(3);
  else if (line.rfind(".BR ", 0) == 0)
    rest = line.substr(4);
  else
    return "";
  if (!rest.empty() && rest[0] == '"') return rest.substr(1, rest.find('"', 1) - 1);
  return line[2] == 'R' ? rest.substr(0, rest.find(' ')) : rest;
}

bool Parse(std::vector<const char*> args, CtlOptions* options, std::string* error) {
  args.insert(args.begin(), "murvelctl");
  return ParseCtlArgs(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(CtlCommandsTest, ManPageAndCompletionNameWhatTheTablesHold) {
  const std::string man = ReadText(MURVEL_SOURCE_DIR "/dist/man/murvelctl.1");
  const std::string completion = ReadText(MURVEL_SOURCE_DIR "/dist/completion/murvelctl");
  ASSERT_FALSE(man.empty());
  ASSERT_FALSE(completion.empty());

  // The synopsis names the commands in the table's order, and each has its entry.
  std::vector<std::string> synopsis;
  for (const std::string& line : Section(man, ".SH SYNOPSIS"))
    if (line.rfind(".B ", 0) == 0 && line != ".B murvelctl") synopsis.push_back(line.substr(3));
  std::vector<std::string> names;
  std::set<std::string> commandWords;
  for (const CtlCommandRow& row : CtlCommandRows()) {
    names.push_back(row.name);
    commandWords.insert(row.name);
    EXPECT_NE(man.find(".BI " + std::string(row.name) + " \" FILE\" ..."), std::string::npos)
        << row.name;
  }
  EXPECT_EQ(synopsis, names);
  EXPECT_EQ(CompletionWords(completion, "code"), commandWords);

  // Each option has one entry under OPTIONS, and the completion offers its names.
  std::vector<std::string> entries;
  const std::vector<std::string> options = Section(man, ".SH OPTIONS");
  for (size_t i = 0; i + 1 < options.size(); ++i)
    if (options[i] == ".TP") entries.push_back(options[i + 1]);
  EXPECT_EQ(entries.size(), CtlOptionRows().size());
  std::set<std::string> optionWords = {"--"};
  for (const CtlOptionRow& row : CtlOptionRows()) {
    optionWords.insert(row.longName);
    if (row.shortName) optionWords.insert(row.shortName);
    bool found = false;
    for (const std::string& entry : entries) {
      const bool hasLong = (entry + " ").find(Roff(row.longName) + " ") != std::string::npos ||
                           (entry + "\"").find(Roff(row.longName) + "\"") != std::string::npos;
      found = found || (hasLong && (!row.shortName ||
                                    entry.find(Roff(row.shortName) + " ") != std::string::npos));
    }
    EXPECT_TRUE(found) << row.longName;
    // An option that takes a value has its value left alone by the completion.
    if (row.value) {
      EXPECT_NE(completion.find("== " + std::string(row.longName) + " ]]"), std::string::npos)
          << row.longName;
    }
  }
  EXPECT_EQ(CompletionWords(completion, "--help"), optionWords);
}

// Every state a result line can tell is named under OUTPUT, and those whose lines go to standard
// error are the ones named in the sentence that says so.
TEST(CtlCommandsTest, ManPageNamesEveryResultStateAndWhereItGoes) {
  const std::vector<std::string> output =
      Section(ReadText(MURVEL_SOURCE_DIR "/dist/man/murvelctl.1"), ".SH OUTPUT");
  std::set<std::string> named, toStandardError;
  bool inErrorSentence = false;
  for (const std::string& line : output) {
    if (line.find("not done as asked") != std::string::npos) inErrorSentence = true;
    const std::string bold = BoldWords(line);
    if (!bold.empty()) named.insert(bold);
    if (!bold.empty() && inErrorSentence) toStandardError.insert(bold);
    if (line.find("go to standard error") != std::string::npos) inErrorSentence = false;
  }
  ASSERT_FALSE(toStandardError.empty());
  for (const CtlStateWords& row : CtlStateRows()) {
    EXPECT_EQ(named.count(Roff(row.text)), 1u) << row.text;
    EXPECT_EQ(toStandardError.count(Roff(row.text)), row.refusal ? 1u : 0u) << row.text;
  }
}

TEST(CtlCommandsTest, OptionsAreTakenForTheirCommandsOnly) {
  CtlOptions options;
  std::string error;
  // Every option outside its commands is refused, naming them; inside them it is taken.
  for (const CtlOptionRow& option : CtlOptionRows()) {
    if (option.commands == 0) continue;
    for (const CtlCommandRow& command : CtlCommandRows()) {
      std::vector<const char*> args = {command.name, option.longName};
      if (option.value) args.push_back("2024-01-02 03:04:05");
      args.push_back("f");
      const bool fits = (option.commands & CommandBit(command.command)) != 0;
      EXPECT_EQ(Parse(args, &options, &error), fits) << command.name << " " << option.longName;
      if (!fits) {
        EXPECT_EQ(error.rfind(std::string(option.longName) + " is for ", 0), 0u) << error;
      }
    }
  }
  EXPECT_FALSE(Parse({"code", "--force", "-q", "f"}, &options, &error));
  EXPECT_EQ(error, "--quiet is for status only");
  EXPECT_FALSE(Parse({"code", "--quiet", "--force", "--key-date=x", "f"}, &options, &error));
  EXPECT_EQ(error, "--quiet is for status only");
  EXPECT_FALSE(Parse({"status", "--force", "f"}, &options, &error));
  EXPECT_EQ(error, "--force is for code, decode and rescue only");

  // A value joined with '=' or following; missing at the end.
  ASSERT_TRUE(Parse({"rescue", "--key-date=2024-01-02 03:04:05", "f"}, &options, &error));
  EXPECT_EQ(options.keyDate, "2024-01-02 03:04:05");
  ASSERT_TRUE(Parse({"--key-date", "2024-01-03 00:00:00", "rescue", "--", "-f"}, &options, &error));
  EXPECT_EQ(options.keyDate, "2024-01-03 00:00:00");
  EXPECT_EQ(options.files, std::vector<std::string>{"-f"});
  EXPECT_FALSE(Parse({"rescue", "f", "--key-date"}, &options, &error));
  EXPECT_EQ(error, "--key-date needs a moment, 'YYYY-MM-DD HH:MM:SS'");
  EXPECT_FALSE(Parse({"rescue", "--verbose=1", "f"}, &options, &error));
  EXPECT_EQ(error, "unknown option '--verbose=1'");
  EXPECT_FALSE(Parse({"verify", "f"}, &options, &error));
  EXPECT_EQ(error, "unknown command 'verify' (code, decode, seal, unseal, status, recover or rescue)");
}

// A moment that is none is a usage error before any file is looked at: a day past its month (the
// 29th of February only in a leap year), a field out of its range, text after the seconds.
TEST(CtlCommandsTest, AKeyDateMustBeAMomentOfTheCalendar) {
  CtlOptions options;
  std::string error;
  for (const char* good : {"2024-02-29 23:59:59", "2000-02-29 12:00:00", "1990-04-30 00:00:00"})
    EXPECT_TRUE(Parse({"rescue", "--key-date", good, "f"}, &options, &error)) << good << error;
  for (const char* bad : {"2023-02-29 10:00:00", "2100-02-29 10:00:00", "2024-04-31 10:00:00",
                          "2024-01-02 03:04:05x", "2024-01-02 03:04:05 and more", "2024-01-02",
                          "2024-13-01 00:00:00", "2024-01-02 24:00:00"}) {
    EXPECT_FALSE(Parse({"rescue", "--key-date", bad, "f"}, &options, &error)) << bad;
    EXPECT_EQ(error.rfind(std::string("--key-date: '") + bad + "' is ", 0), 0u) << error;
  }
}
