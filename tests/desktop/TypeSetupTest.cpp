// Folder and type set-up at start, and the background image helpers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "desktop/DesktopSetup.h"
#include "desktop/EntryPrograms.h"
#include "desktop/MimeType.h"
#include "desktop/ProgramIcons.h"
#include "desktop/ThunarActions.h"
#include "desktop/TypeSetup.h"
#include "platform/Node.h"
#include "platform/NodeInfo.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"

namespace {

class TypeSetupTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
    bin_ = root_ + "/bin";
    ASSERT_EQ(mkdir(bin_.c_str(), 0755), 0);
    // The program is there, as it is for a start (GIO passes over an entry whose program is
    // not, and a start takes back the entries of a program that is gone).
    WriteFile(bin_ + "/murvel", "#!/bin/sh\n");
    ASSERT_EQ(chmod((bin_ + "/murvel").c_str(), 0755), 0);
    plat::SetAppExecutablePath(bin_ + "/murvel");
  }
  void TearDown() override {
    plat::SetAppExecutablePath("");
    ResetSettings();
    TempHomeTest::TearDown();
  }

  static void SetType(const std::string& path, const char* type) {
    plat::Node node(path);
    plat::NodeInfo info(&node);
    ASSERT_EQ(info.SetType(type), 0);
  }

  static unsigned Mode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }

  // A 5x3 green picture in a PNG file.
  std::string PngFile(const std::string& name) {
    QImage image(5, 3, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const std::string path = root_ + "/" + name;
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
  }

  // What shared-mime-info, read by Qt in a fresh process, says of the type.
  static std::string MimeDatabaseSays(const char* type) {
    FILE* query = popen((std::string(MURVEL_MIME_QUERY) + " " + type).c_str(), "r");
    if (!query) return "";
    char line[256] = {};
    if (!fgets(line, sizeof line, query)) line[0] = 0;
    pclose(query);
    return line;
  }

  std::string bin_;
};

TEST_F(TypeSetupTest, FirstStartMakesTheFoldersLaterStartsOnlyInstall) {
  EXPECT_EQ(CapturedStdout(CheckNeededDefs),
            "Created  codec-Dir !\nCreated  SettingsDir !\n->done\n");
  EXPECT_STREQ(path2scan, (bin_ + "/codec").c_str());
  EXPECT_EQ(Mode(bin_ + "/codec"), 0755u);
  EXPECT_EQ(Mode(config_ + "/_KR_x-vnd.Telva"), 0755u);
  EXPECT_EQ(CapturedStdout(CheckNeededDefs), "->done\n");

  // shared-mime-info (update-mime-database) compiled the package into the user's database.
  EXPECT_EQ(MimeDatabaseSays("text/x-CodedData"), "Vestrine Data-Container|text-x-CodedData\n");
  plat::MimeType type("text/x-CodedData");
  std::string text;
  EXPECT_TRUE(type.GetShortDescription(&text) && text == "CodedData") << text;
  EXPECT_TRUE(type.GetLongDescription(&text) && text == "Vestrine Data-Container") << text;
  EXPECT_TRUE(type.GetPreferredApp(&text) && text == "application/x-vnd.Telva-Murvel") << text;
  uint8_t bits[1024];
  ASSERT_TRUE(type.GetIcon(bits, plat::IconSize::Large));
  EXPECT_EQ(std::memcmp(bits, DataBBits, 1024), 0);
  ASSERT_TRUE(type.GetIcon(bits, plat::IconSize::Mini));
  EXPECT_EQ(std::memcmp(bits, DataLBits, 256), 0);
  // The sealed type beside it, opened by the same program, which lists both in one entry.
  EXPECT_EQ(MimeDatabaseSays("application/x-murvel-sealed"),
            "Murvel sealed file|application-x-murvel-sealed\n");
  plat::MimeType sealed("application/x-murvel-sealed");
  EXPECT_TRUE(sealed.GetPreferredApp(&text) && text == "application/x-vnd.Telva-Murvel") << text;
  ASSERT_TRUE(sealed.GetIcon(bits, plat::IconSize::Large));
  EXPECT_EQ(std::memcmp(bits, DataBBits, 1024), 0);
  EXPECT_NE(ReadFile(plat::MimeType::DesktopEntryPath("application/x-vnd.Telva-Murvel"))
                .find("\nMimeType=text/x-CodedData;application/x-murvel-sealed;\n"),
            std::string::npos);
}

// After a start GIO, as the desktops built on it ask, offers the program for coded files and for
// nothing else: a program listed for application/octet-stream would open every file of unknown
// type on a double-click.
TEST_F(TypeSetupTest, GioOffersTheProgramForItsOwnTypesOnly) {
  if (std::system("command -v gio >/dev/null 2>&1") != 0) GTEST_SKIP() << "no gio (libglib2.0-bin)";
  CapturedStdout(CheckNeededDefs);
  auto gioMime = [](const std::string& type) {
    std::string said;
    if (FILE* gio = popen(("gio mime " + type + " 2>&1").c_str(), "r")) {
      char buffer[512];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, gio)) > 0;) said.append(buffer, n);
      pclose(gio);
    }
    return said;
  };
  const std::string coded = gioMime("text/x-CodedData");
  EXPECT_NE(coded.find("x-vnd.Telva-Murvel.desktop"), std::string::npos) << coded;
  const std::string unknown = gioMime("application/octet-stream");
  EXPECT_EQ(unknown.find("x-vnd.Telva-Murvel"), std::string::npos) << unknown;
}

// A program in a folder it cannot take a codec folder in (installed for the system, or any folder
// the user cannot write) keeps it in the user's data folder, names it at every start and makes
// it once; nothing is made beside the program.
TEST_F(TypeSetupTest, CodecFolderInTheDataFolderWhenTheProgramsFolderIsNoPlaceForIt) {
  const std::string codec = data_ + "/murvel/codec";
  const std::string named = "codec-Dir: '" + codec + "'\n";
  plat::SetAppExecutablePath(std::string(MURVEL_INSTALL_BINDIR) + "/murvel");
  EXPECT_EQ(CapturedStdout(CheckNeededDefs),
            named + "Created  codec-Dir !\nCreated  SettingsDir !\n->done\n");
  EXPECT_STREQ(path2scan, codec.c_str());
  EXPECT_EQ(Mode(codec), 0755u);
  EXPECT_FALSE(Exists(std::string(MURVEL_INSTALL_BINDIR) + "/codec"));
  EXPECT_EQ(CapturedStdout(CheckNeededDefs), named + "->done\n");
  std::filesystem::remove_all(data_);
  std::filesystem::remove_all(config_);

  // A folder the user cannot write, with a codec folder in it that is not the user's to write
  // either; root may write anywhere, so the start runs as nobody then.
  plat::SetAppExecutablePath(bin_ + "/murvel");
  ASSERT_EQ(mkdir((bin_ + "/codec").c_str(), 0555), 0);
  ASSERT_EQ(chmod(bin_.c_str(), 0555), 0);
  ASSERT_EQ(chmod(root_.c_str(), 0777), 0);
  const std::string out = root_ + "/start.out";
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const std::string said = CapturedStdout(CheckNeededDefs) + "path2scan=" + path2scan;
    FILE* f = fopen(out.c_str(), "w");
    _exit(f && fputs(said.c_str(), f) >= 0 && fclose(f) == 0 ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(out),
            named + "Created  codec-Dir !\nCreated  SettingsDir !\n->done\npath2scan=" + codec);
  EXPECT_EQ(Mode(codec), 0755u);
  chmod(bin_.c_str(), 0755);
}

// Thunar's action element for `program`, as a start writes it.
std::string ThunarActionFor(const std::string& program) {
  return plat::ThunarActionElement(ProgramFileAction(program));
}

// The files below `top`, relative to it.
std::vector<std::string> FilesBelow(const std::string& top) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(top, ec);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) files.push_back(it->path().string().substr(top.size() + 1));
  std::sort(files.begin(), files.end());
  return files;
}

// An installed program leaves the desktop files to the system. What a start of it wrote into the
// user's folders before goes, the user's type database rebuilt without it; what the user
// changed, the user's other Thunar actions and a build's own entries stay.
TEST_F(TypeSetupTest, AnInstalledProgramTakesBackItsEarlierUserCopiesAndWritesNone) {
  SetEnv("XDG_DATA_DIRS", (root_ + "/system").c_str());
  SetEnv("XDG_CONFIG_DIRS", (root_ + "/system-config").c_str());
  const std::string installed = std::string(MURVEL_INSTALL_BINDIR) + "/murvel";
  const std::string entry = data_ + "/applications/x-vnd.Telva-Murvel.desktop";
  const std::string nemo = data_ + "/nemo/actions/x-vnd.Telva-Murvel.nemo_action";
  const std::string uca = config_ + "/Thunar/uca.xml";
  auto userFiles = [this] {
    std::vector<std::string> files;
    for (const std::string& file : FilesBelow(data_))
      // The caches (mime/, mimeinfo.cache) are the tools'; murvel/ is the codec folder.
      if (file.rfind("mime/", 0) != 0 && file.rfind("murvel/", 0) != 0 &&
          file != "applications/mimeinfo.cache")
        files.push_back(file);
    return files;
  };

  // A build's entries name the build's program: an installed start leaves them.
  CapturedStdout(CheckNeededDefs);
  plat::SetAppExecutablePath(installed);
  CapturedStdout(CheckNeededDefs);
  EXPECT_NE(ReadFile(entry).find(bin_ + "/murvel"), std::string::npos);
  EXPECT_NE(ReadFile(data_ + "/nautilus/scripts/Code or decode with Murvel").find(bin_),
            std::string::npos);
  EXPECT_NE(ReadFile(uca).find(bin_ + "/murvel"), std::string::npos);
  std::filesystem::remove_all(data_);
  std::filesystem::remove_all(config_);

  // What an installed start wrote before; the user then changed one file and added an action.
  ASSERT_TRUE(CodedDataType(installed).Install());
  ASSERT_TRUE(SealedDataType(installed).Install());
  ASSERT_TRUE(InstallDesktopFiles(installed));
  EXPECT_EQ(MimeDatabaseSays("text/x-CodedData"), "Vestrine Data-Container|text-x-CodedData\n");
  EXPECT_EQ(userFiles().size(), 16u);
  WriteFile(nemo, ReadFile(nemo) + "Quote=double\n");
  std::string withOwn = ReadFile(uca);
  ASSERT_NE(withOwn.find(installed), std::string::npos);
  withOwn.insert(withOwn.find("</actions>"), "<action><name>Mine</name></action>\n");
  WriteFile(uca, withOwn);

  EXPECT_EQ(CapturedStdout(CheckNeededDefs),
            "codec-Dir: '" + data_ +
                "/murvel/codec'\nCreated  codec-Dir !\nCreated  SettingsDir !\n->done\n");
  EXPECT_EQ(userFiles(), std::vector<std::string>{"nemo/actions/x-vnd.Telva-Murvel.nemo_action"});
  EXPECT_EQ(MimeDatabaseSays("text/x-CodedData"), "unknown\n");
  EXPECT_EQ(MimeDatabaseSays("application/x-murvel-sealed"), "unknown\n");
  EXPECT_EQ(ReadFile(uca).find(installed), std::string::npos);
  EXPECT_NE(ReadFile(uca).find("<name>Mine</name>"), std::string::npos);
  // Without the user's action the file held only what it was made from, and goes.
  WriteFile(uca, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" +
                     ThunarActionFor(installed) + "\n</actions>\n");
  CapturedStdout(CheckNeededDefs);
  EXPECT_FALSE(Exists(uca));
  SetEnv("XDG_DATA_DIRS", nullptr);
  SetEnv("XDG_CONFIG_DIRS", nullptr);
}

// A build folder deleted since its program's start leaves entries that run nothing: the next
// start of any program takes them back (the earlier form of the desktop entry, which claimed
// every file of unknown type, too), keeping one the user changed; a path that needs every kind
// of quoting is read back from each entry. `murvel --remove-desktop-files` takes back all a
// start wrote, our default in mimeapps.list included, and nothing of the user's.
TEST_F(TypeSetupTest, EntriesOfAProgramThatIsGoneAreTakenBackAndOneCommandTakesAll) {
  SetEnv("XDG_DATA_DIRS", (root_ + "/system").c_str());
  SetEnv("XDG_CONFIG_DIRS", (root_ + "/system-config").c_str());
  const std::string clone = root_ + "/Bob's clone 100%";
  const std::string old = clone + "/build/bin/murvel";
  std::filesystem::create_directories(clone + "/build/bin");
  WriteFile(old, "#!/bin/sh\n");
  ASSERT_EQ(chmod(old.c_str(), 0755), 0);
  auto userFiles = [this] {
    std::vector<std::string> files;
    for (const std::string& file : FilesBelow(data_))
      if (file.rfind("mime/", 0) != 0 && file.rfind("murvel/", 0) != 0 &&
          file != "applications/mimeinfo.cache")
        files.push_back(file);
    return files;
  };
  const std::string entry = data_ + "/applications/x-vnd.Telva-Murvel.desktop";
  const std::string nemo = data_ + "/nemo/actions/x-vnd.Telva-Murvel.nemo_action";
  const std::string uca = config_ + "/Thunar/uca.xml";

  plat::SetAppExecutablePath(old);
  CapturedStdout(CheckNeededDefs);
  EXPECT_EQ(userFiles().size(), 16u);
  // Each of the five entries alone names the program.
  const std::vector<std::string> entries = {
      entry, data_ + "/nautilus/scripts/Code or decode with Murvel",
      data_ + "/kio/servicemenus/x-vnd.Telva-Murvel.desktop", nemo, uca};
  std::vector<std::string> texts;
  for (const std::string& path : entries) texts.push_back(ReadFile(path));
  for (size_t alone = 0; alone < entries.size(); ++alone) {
    for (size_t i = 0; i < entries.size(); ++i) WriteFile(entries[i], i == alone ? texts[i] : "");
    EXPECT_EQ(ProgramsOfUserEntries(), std::vector<std::string>{old}) << entries[alone];
  }
  for (size_t i = 0; i < entries.size(); ++i) WriteFile(entries[i], texts[i]);
  // As the earlier version wrote it.
  WriteFile(entry, EarlierDesktopEntryTexts(old)[0]);
  ASSERT_NE(ReadFile(entry).find("application/octet-stream"), std::string::npos);
  std::filesystem::remove_all(clone);

  // The next start, of another build: the gone program's entries go, then its own are written.
  plat::SetAppExecutablePath(bin_ + "/murvel");
  EXPECT_EQ(CapturedStdout(CheckNeededDefs),
            "Created  codec-Dir !\nRemoved the desktop entries of '" + old +
                "', which is gone\n->done\n");
  EXPECT_EQ(ProgramsOfUserEntries(), std::vector<std::string>{bin_ + "/murvel"});
  EXPECT_EQ(ReadFile(entry).find(old), std::string::npos);
  EXPECT_EQ(ReadFile(uca).find(clone), std::string::npos);

  // That build is deleted too, after the user changed Nemo's action.
  WriteFile(nemo, ReadFile(nemo) + "Quote=double\n");
  std::filesystem::remove_all(bin_);
  plat::SetAppExecutablePath(std::string(MURVEL_INSTALL_BINDIR) + "/murvel");
  EXPECT_EQ(CapturedStdout(CheckNeededDefs), "codec-Dir: '" + data_ +
                                                 "/murvel/codec'\nCreated  codec-Dir !\n"
                                                 "Removed the desktop entries of '" +
                                                 bin_ + "/murvel', which is gone\n->done\n");
  EXPECT_EQ(userFiles(), std::vector<std::string>{"nemo/actions/x-vnd.Telva-Murvel.nemo_action"});
  EXPECT_EQ(MimeDatabaseSays("text/x-CodedData"), "unknown\n");
  EXPECT_FALSE(Exists(uca));

  // A build's start, then the command: all of it goes but the user's own default for images.
  std::filesystem::remove_all(data_);
  std::filesystem::create_directories(bin_);
  WriteFile(bin_ + "/murvel", "#!/bin/sh\n");
  ASSERT_EQ(chmod((bin_ + "/murvel").c_str(), 0755), 0);
  plat::SetAppExecutablePath(bin_ + "/murvel");
  std::filesystem::create_directories(config_);
  WriteFile(config_ + "/mimeapps.list", "[Default Applications]\nimage/png=viewer.desktop;\n");
  CapturedStdout(CheckNeededDefs);
  ASSERT_EQ(userFiles().size(), 16u);
  std::vector<std::string> removed;
  EXPECT_TRUE(RemoveUserDesktopFiles(&removed));
  EXPECT_EQ(removed.size(), 20u);  // those, the types' packages, Thunar's action, the defaults
  EXPECT_EQ(userFiles(), std::vector<std::string>{});
  EXPECT_FALSE(Exists(uca));
  EXPECT_EQ(ReadFile(config_ + "/mimeapps.list"),
            "[Default Applications]\nimage/png=viewer.desktop;\n");
  EXPECT_EQ(MimeDatabaseSays("text/x-CodedData"), "unknown\n");
  SetEnv("XDG_DATA_DIRS", nullptr);
  SetEnv("XDG_CONFIG_DIRS", nullptr);
}

// A default application the user chose for coded files is theirs: starts leave its line as it
// is, and add the program only for the sealed type, which had none, once.
TEST_F(TypeSetupTest, AUsersOwnDefaultSurvivesTwoStarts) {
  ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
  const std::string list =
      "[Default Applications]\ntext/x-CodedData=org.gnome.gitlab.ghex.desktop;\n"
      "image/png=viewer.desktop;\n";
  WriteFile(config_ + "/mimeapps.list", list);
  CapturedStdout(CheckNeededDefs);
  CapturedStdout(CheckNeededDefs);
  EXPECT_EQ(ReadFile(config_ + "/mimeapps.list"),
            list + "application/x-murvel-sealed=x-vnd.Telva-Murvel.desktop;\n");
}

TEST_F(TypeSetupTest, UninstallableTypeIsReportedNotFatal) {
  SetEnv("XDG_DATA_HOME", nullptr);
  SetEnv("HOME", nullptr);
  std::string out = CapturedStdout(CheckNeededDefs);
  EXPECT_EQ(
      out.rfind("Created  codec-Dir !\nCreated  SettingsDir !\nCan't install text/x-CodedData: ",
                0),
      0u)
      << out;
  EXPECT_EQ(out.substr(out.size() - 8), "\n->done\n");
}

TEST_F(TypeSetupTest, ImageTypesByStoredTypeOrContents) {
  const std::string png = PngFile("plain.png");
  SetType(png, "image/png");
  EXPECT_TRUE(IsNodeTypeOk(png.c_str(), "image/"));
  // The background image has no name extension and no stored type: its contents tell.
  const std::string untyped = PngFile("murvel_image");
  EXPECT_TRUE(IsNodeTypeOk(untyped.c_str(), "image/"));
  EXPECT_FALSE(IsNodeTypeOk(untyped.c_str(), "image/jpeg"));
  // A stored type wins over the contents.
  const std::string text = root_ + "/notes";
  WriteFile(text, "just words\n");
  EXPECT_FALSE(IsNodeTypeOk(text.c_str(), "image/"));
  SetType(untyped, "text/plain");
  EXPECT_FALSE(IsNodeTypeOk(untyped.c_str(), "image/"));
  SetType(text, "image/jpeg");
  EXPECT_TRUE(IsNodeTypeOk(text.c_str(), "image/"));
  EXPECT_FALSE(IsNodeTypeOk((root_ + "/missing.png").c_str(), "image/"));
}

TEST_F(TypeSetupTest, GetImageLoadsWhatItCanDecode) {
  const std::string garbage = root_ + "/broken.png";
  WriteFile(garbage, "\x89PNG but not really an image");
  SetType(garbage, "image/png");
  std::unique_ptr<QImage> image;
  EXPECT_EQ(CapturedStdout([&] { image = GetImage(garbage.c_str()); }),
            "\xC2\xA0"
            "can't translate '" +
                garbage + "'\n");
  EXPECT_EQ(image, nullptr);
  // Unreadable: null and nothing said.
  EXPECT_EQ(CapturedStdout([&] { image = GetImage((root_ + "/missing").c_str()); }), "");
  EXPECT_EQ(image, nullptr);
  EXPECT_EQ(GetImage(root_.c_str()), nullptr);

  PngFile("murvel_image");
  ASSERT_EQ(mkdir((root_ + "/sub").c_str(), 0755), 0);
  EXPECT_EQ(CapturedStdout([&] { image = GetImage((root_ + "/./sub/../murvel_image").c_str()); }),
            "");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->size(), QSize(5, 3));
  EXPECT_EQ(image->pixel(4, 2) & 0xffffff, qRgb(10, 200, 30) & 0xffffffu);
}

}  // namespace
