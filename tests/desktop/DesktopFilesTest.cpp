// The desktop files a start writes for the user and the ones the install puts on the system
// (dist/) are the same, they validate, and the file-manager entries run the program on the file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "desktop/DesktopSetup.h"
#include "desktop/FileManagerActions.h"
#include "desktop/ThunarActions.h"
#include "desktop/TypeSetup.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"

namespace {

class DesktopFilesTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
    // No system copies of the entries: the user's own are written.
    SetEnv("XDG_DATA_DIRS", (root_ + "/system").c_str());
  }
  void TearDown() override {
    SetEnv("XDG_DATA_DIRS", nullptr);
    plat::SetAppExecutablePath("");
    ResetSettings();
    TempHomeTest::TearDown();
  }

  static std::string Dist(const std::string& path) {
    return ReadFile(std::string(MURVEL_SOURCE_DIR) + "/dist/" + path);
  }

  // What desktop-file-validate says of the file; empty when it is valid.
  static std::string Complaints(const std::string& path) {
    FILE* p = popen(("desktop-file-validate '" + path + "' 2>&1").c_str(), "r");
    std::string said;
    char buf[256];
    while (p && fgets(buf, sizeof buf, p)) said += buf;
    const int status = p ? pclose(p) : -1;
    return status == 0 ? said : said + "(exit " + std::to_string(status) + ")";
  }
};

TEST_F(DesktopFilesTest, TheInstalledFilesAreWhatAStartWritesForTheProgramOnThePath) {
  EXPECT_EQ(plat::DesktopEntryText(ProgramDesktopEntry("murvel")),
            Dist("x-vnd.Telva-Murvel.desktop"));
  int installed = 0;
  for (const plat::FileAction& action : ProgramFileActions("murvel")) {
    for (const plat::ActionFile& file : plat::FileManagerActionFiles(action)) {
      // Nautilus reads scripts from the user's folder only, so the install has none.
      if (file.relativePath.rfind("nautilus/", 0) == 0) continue;
      EXPECT_EQ(file.text, Dist("file-manager/" + file.relativePath)) << file.relativePath;
      ++installed;
    }
  }
  EXPECT_EQ(installed, 6);  // coding, sealing, unsealing: Dolphin's and Nemo's each

  CapturedStdout(CheckNeededDefs);
  EXPECT_EQ(ReadFile(data_ + "/mime/packages/text-x-CodedData.xml"), Dist("text-x-CodedData.xml"));
  EXPECT_EQ(ReadFile(data_ + "/mime/packages/application-x-murvel-sealed.xml"),
            Dist("application-x-murvel-sealed.xml"));
  EXPECT_EQ(ReadFile(data_ + "/icons/hicolor/scalable/apps/x-vnd.Telva-Murvel.svg"),
            Dist("icons/x-vnd.Telva-Murvel.svg"));
}

// A program path that needs every kind of quoting still gives valid entries.
TEST_F(DesktopFilesTest, EntriesForAnAwkwardProgramPathValidate) {
  if (std::system("command -v desktop-file-validate >/dev/null") != 0)
    GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
  const std::string bin = root_ + "/my $apps \"100%\"";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  plat::SetAppExecutablePath(bin + "/murvel");
  CapturedStdout(CheckNeededDefs);
  for (const std::string& entry :
       {data_ + "/applications/x-vnd.Telva-Murvel.desktop",
        data_ + "/kio/servicemenus/x-vnd.Telva-Murvel.desktop",
        data_ + "/kio/servicemenus/x-vnd.Telva-Murvel-seal.desktop",
        data_ + "/kio/servicemenus/x-vnd.Telva-Murvel-unseal.desktop",
        std::string(MURVEL_SOURCE_DIR) + "/dist/x-vnd.Telva-Murvel.desktop"}) {
    ASSERT_TRUE(Exists(entry)) << entry;
    EXPECT_EQ(Complaints(entry), "") << entry;
  }
}

// The Nautilus script (and so the shell word that Thunar's and Nemo's command lines use) hands
// the chosen files to the program, whatever the program's path and the files' names hold.
TEST_F(DesktopFilesTest, TheNautilusScriptRunsTheProgramOnTheChosenFiles) {
  const std::string bin = root_ + "/it's a \"bin\" $HOME";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  const std::string program = bin + "/murvel";
  WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$0.args\"\n");
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  const plat::ActionFile script = plat::FileManagerActionFiles(ProgramFileAction(program))[0];
  const std::string path = root_ + "/script";
  WriteFile(path, script.text);
  ASSERT_EQ(chmod(path.c_str(), script.mode), 0);
  const std::string run = "'" + path + "' 'a b.txt' \"c'd\" '$x'";
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_EQ(ReadFile(program + ".args"), "[a b.txt][c'd][$x]");
}

// Every entry runs the program on the chosen file, whatever the program's path holds: percent
// signs that look like field codes, quotes, a dollar, a backslash. The desktop entry and
// Dolphin's service menu are launched by GLib ("gio launch"); Thunar's and Nemo's command lines
// are expanded as those file managers do ("%%" a percent sign, "%f" and "%F" the file) and run
// by a shell.
TEST_F(DesktopFilesTest, EveryEntryRunsTheProgramWhateverItsPathHolds) {
  const std::string bin = root_ + "/50%f 100%% it's \"q\" $x \\z";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  const std::string program = bin + "/murvel";
  const std::string args = root_ + "/args";
  WriteFile(program,
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + args + "'\n");
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  plat::SetAppExecutablePath(program);
  CapturedStdout(CheckNeededDefs);
  const std::string file = root_ + "/a b.txt";
  WriteFile(file, "x");
  auto ranWith = [&](const std::string& command) {
    std::filesystem::remove(args);
    if (std::system(command.c_str()) != 0) return std::string("(failed)");
    for (int i = 0; i < 100 && !Exists(args); ++i) usleep(50000);  // gio does not wait
    usleep(50000);
    return ReadFile(args);
  };
  if (std::system("gio help launch >/dev/null 2>&1") == 0) {
    for (const std::string& entry : {data_ + "/applications/x-vnd.Telva-Murvel.desktop",
                                     data_ + "/kio/servicemenus/x-vnd.Telva-Murvel.desktop"})
      EXPECT_EQ(ranWith("gio launch '" + entry + "' '" + file + "' 2>&1"), "[" + file + "]")
          << ReadFile(entry);
    const std::string seal = data_ + "/kio/servicemenus/x-vnd.Telva-Murvel-seal.desktop";
    EXPECT_EQ(ranWith("gio launch '" + seal + "' '" + file + "' 2>&1"), "[--seal][" + file + "]")
        << ReadFile(seal);
  } else {
    ADD_FAILURE() << "gio (libglib2.0-bin) is not installed";
  }
  auto expanded = [&](const std::string& line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] != '%' || i + 1 == line.size()) {
        out += line[i];
      } else if (line[++i] == '%') {
        out += '%';
      } else if (line[i] == 'f' || line[i] == 'F') {
        out += "'" + file + "'";
      }
    }
    return out;
  };
  // The coding action, and the sealing one with its option before the file.
  const std::vector<plat::FileAction> actions = ProgramFileActions(program);
  for (size_t a : {size_t(0), size_t(1)}) {
    const std::string want = a == 0 ? "[" + file + "]" : "[--seal][" + file + "]";
    std::string thunar = plat::ThunarActionElement(actions[a]);
    const size_t from = thunar.find("<command>") + 9;
    thunar = thunar.substr(from, thunar.find("</command>") - from);
    for (const auto& [xml, text] : std::vector<std::pair<std::string, std::string>>{
             {"&quot;", "\""}, {"&apos;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}})
      for (size_t at; (at = thunar.find(xml)) != std::string::npos;)
        thunar.replace(at, xml.size(), text);
    EXPECT_EQ(ranWith(expanded(thunar)), want) << thunar;

    const std::string nemo = plat::FileManagerActionFiles(actions[a])[2].text;
    const size_t exec = nemo.find("\nExec=") + 6;
    std::string line;  // the key file's string value
    for (size_t i = exec; nemo[i] != '\n'; ++i) line += nemo[i] == '\\' ? nemo[++i] : nemo[i];
    EXPECT_EQ(ranWith(expanded(line)), want) << nemo;
  }
}

}  // namespace
