// Coding and decoding a file through the real window (offscreen): the file dropped on the
// window, the password typed into the password panel and committed, "Do it" pressed. Real files,
// real xattrs; the coded bytes are checked against the cipher rule written out here.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>

#include "app/MVWindow.h"
#include "platform/Node.h"
#include "platform/NodeInfo.h"
#include "platform/gui/Button.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "ui/CodeView.h"
#include "ui/GuiTestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Xattrs = std::map<std::string, std::string>;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Xattrs UserXattrs(const std::string& path) {
  Xattrs out;
  char names[4096];
  ssize_t len = listxattr(path.c_str(), names, sizeof names);
  for (ssize_t i = 0; i < len; i += ssize_t(std::strlen(names + i)) + 1) {
    std::string name = names + i;
    if (name.rfind("user.", 0) != 0) continue;
    char value[4096];
    ssize_t n = getxattr(path.c_str(), name.c_str(), value, sizeof value);
    if (n >= 0) out[name.substr(5)] = std::string(value, size_t(n));
  }
  return out;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/murvel-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("XDG_CONFIG_HOME", (dir_ + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ + "/.local/share").c_str(), 1);
    TestApp();
    ResetSettings();
    window_ = std::make_unique<MVWindow>(plat::Rect(100, 100, 218, 290));
  }
  void TearDown() override {
    window_.reset();
    ASSERT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
  }

  // Drops the file on the window's file label, as a file manager would.
  void DropFile(const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QWidget* label = window_->Views().askFile;
    DragAndDrop(window_.get(), data, label->mapTo(window_.get(), label->rect().center()));
    DeliverPosted();
  }
  void EnterPassword(const std::string& password) {
    plat::TextControl* entry = window_->Views().cview->PassControl();
    entry->MakeFocus(true);
    TypeText(entry, password);
    PressKey(entry, Qt::Key_Return);
    DeliverPosted();
  }
  void PressDoIt() {
    window_->Views().sBut->click();
    DeliverPosted();
  }
  std::string ButtonLabel() const { return window_->Views().sBut->Label(); }
  std::string PassText() const { return window_->Views().cview->PassControl()->Text(); }

  std::string dir_;
  std::unique_ptr<MVWindow> window_;
};

TEST_F(EndToEndTest, DroppedFileIsCodedAndComesBackExactly) {
  std::mt19937 gen(99);
  Bytes plain(20000);
  for (auto& b : plain) b = uint8_t(gen());
  std::string path = dir_ + "/letter.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(plain.data()), std::streamsize(plain.size()));
  }
  Bytes large(1024), mini(256);
  for (auto& b : large) b = uint8_t(gen());
  for (auto& b : mini) b = uint8_t(gen());
  {
    plat::Node node(path);
    plat::NodeInfo info(&node);
    ASSERT_EQ(info.SetType("text/plain"), 0);
    ASSERT_EQ(info.SetPreferredApp("application/x-vnd.Test-Editor"), 0);
    ASSERT_EQ(info.SetIcon(large.data(), plat::IconSize::Large), 0);
    ASSERT_EQ(info.SetIcon(mini.data(), plat::IconSize::Mini), 0);
  }
  const Xattrs before = UserXattrs(path);

  DropFile(path);
  EXPECT_EQ(window_->State().currentPath, path);
  EXPECT_TRUE(window_->State().workable);
  EXPECT_EQ(ButtonLabel(), "CODE IT");
  EnterPassword("Secret7");
  EXPECT_TRUE(window_->State().passwordSet);
  EXPECT_STREQ(window_->State().password, "Secret7");
  EXPECT_EQ(PassText(), "******");
  PressDoIt();
  EXPECT_EQ(ButtonLabel(), "DECODE THIS");

  // The coded file: the record, the four stashes and the coded type, nothing else.
  Xattrs coded = UserXattrs(path);
  EXPECT_EQ(coded.size(), 6u);
  EXPECT_EQ(coded["x_beos:type"], std::string("text/plain", 11));
  EXPECT_EQ(coded["x_prefapp"], std::string("application/x-vnd.Test-Editor", 30));
  EXPECT_EQ(coded["x_licon"], std::string(large.begin(), large.end()));
  EXPECT_EQ(coded["x_micon"], std::string(mini.begin(), mini.end()));
  EXPECT_EQ(coded["mime_type"], "text/x-CodedData");

  // The record: L, six time-code bytes kept as they are, then n, name, p, password, each byte
  // from offset 7 raised by byte (i - 7) mod 4 of the line; a zero ends the value.
  Bytes v(coded["PrivCodec"].begin(), coded["PrivCodec"].end());
  const size_t L = 9 + std::strlen("letter.txt") + std::strlen("Secret7");
  ASSERT_EQ(v.size(), L + 1);
  EXPECT_EQ(v[0], L);
  EXPECT_EQ(v[L], 0);
  for (size_t i = 7; i < L; ++i) v[i] = uint8_t(v[i] - v[(i - 7) % 4]);
  EXPECT_EQ(std::string(v.begin() + 7, v.begin() + long(L)), "\x0aletter.txt\x07Secret7");
  const uint8_t* key = v.data() + 1;
  for (int k = 0; k < 6; ++k) EXPECT_NE(key[k], 0) << k;

  Bytes codedBytes = ReadAll(path);
  ASSERT_EQ(codedBytes.size(), plain.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    if (codedBytes[i] != uint8_t(plain[i] + key[i % 6] + (i % 256))) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u);

  // Decoding with the same password brings back bytes and attributes exactly.
  DropFile(path);
  EXPECT_EQ(ButtonLabel(), "DECODE IT");
  EnterPassword("Secret7");
  PressDoIt();
  EXPECT_EQ(ButtonLabel(), "CODE THIS");
  EXPECT_EQ(PassText(), "******");
  EXPECT_TRUE(ReadAll(path) == plain);
  EXPECT_EQ(UserXattrs(path), before);
}

TEST_F(EndToEndTest, WrongPasswordInTheWindowChangesNothing) {
  std::string path = dir_ + "/memo.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(3000, 'm');
  }
  DropFile(path);
  EnterPassword("right");
  PressDoIt();
  Bytes coded = ReadAll(path);
  Xattrs codedAttrs = UserXattrs(path);
  ASSERT_EQ(codedAttrs.count("PrivCodec"), 1u);

  DropFile(path);
  EnterPassword("Right");
  PressDoIt();
  EXPECT_EQ(PassText(), " -wrong!- ");
  EXPECT_EQ(ButtonLabel(), "DECODE IT");
  EXPECT_TRUE(ReadAll(path) == coded);
  EXPECT_EQ(UserXattrs(path), codedAttrs);
}

}  // namespace
