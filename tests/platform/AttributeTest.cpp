// Attributes, node status and node information on real files with real extended attributes.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/Node.h"
#include "platform/NodeInfo.h"
#include "tests/platform/TempHome.h"

using plat::IconSize;
using plat::Node;
using plat::NodeInfo;

class AttributeTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    file_ = root_ + "/plain.txt";
    WriteFile(file_, "some content");
  }
  std::string file_;
};

TEST_F(AttributeTest, WriteReadAndRemove) {
  Node node(file_);
  ASSERT_EQ(node.InitCheck(), 0);
  for (size_t size : {0u, 1u, 256u, 1024u, 4000u}) {
    std::vector<uint8_t> value(size);
    for (size_t i = 0; i < size; ++i) value[i] = uint8_t(i * 7 + size);
    EXPECT_EQ(node.WriteAttr("PrivCodec", value.data(), size), ssize_t(size));
    std::vector<uint8_t> back(size + 16, 0xEE);
    ASSERT_EQ(node.ReadAttr("PrivCodec", back.data(), back.size()), ssize_t(size));
    EXPECT_TRUE(std::equal(value.begin(), value.end(), back.begin())) << size;
  }
  // Stored under the "user." name, where other programs see it.
  EXPECT_EQ(getxattr(file_.c_str(), "user.PrivCodec", nullptr, 0), 4000);

  // A smaller limit gives the first bytes and writes nothing past them.
  char buf[16] = {};
  EXPECT_EQ(node.ReadAttr("PrivCodec", buf, 5), 5);
  EXPECT_EQ(std::memcmp(buf, "\xa0\xa7\xae\xb5\xbc\0", 6), 0);

  EXPECT_EQ(node.RemoveAttr("PrivCodec"), 0);
  EXPECT_EQ(node.ReadAttr("PrivCodec", buf, sizeof buf), -ENODATA);
  EXPECT_EQ(node.RemoveAttr("PrivCodec"), -ENODATA);
}

TEST_F(AttributeTest, LinksAreStatedThemselvesButCarryTheTargetsAttributes) {
  const std::string link = root_ + "/link";
  ASSERT_EQ(symlink(file_.c_str(), link.c_str()), 0);
  Node node(link);
  struct stat st;
  ASSERT_EQ(node.GetStat(&st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(node.WriteAttr("x_prefapp", "app", 3), 3);
  char buf[8];
  EXPECT_EQ(Node(file_).ReadAttr("x_prefapp", buf, sizeof buf), 3);
  EXPECT_EQ(Node(root_ + "/missing").ReadAttr("x_prefapp", buf, 8), -EBADF);
}

TEST_F(AttributeTest, TypeAndPreferredApplication) {
  Node node(file_);
  NodeInfo info(&node);
  char text[plat::B_MIME_TYPE_LENGTH];
  EXPECT_LT(info.GetType(text), 0);  // nothing stored: no type
  ASSERT_EQ(info.SetType("image/png"), 0);
  ASSERT_EQ(info.GetType(text), 0);
  EXPECT_STREQ(text, "image/png");
  // The freedesktop attribute, without a terminator.
  EXPECT_EQ(getxattr(file_.c_str(), "user.mime_type", nullptr, 0), 9);
  // A value stored with its terminator (as the coding transaction writes texts) reads the same.
  ASSERT_EQ(node.WriteAttr(plat::kPrefAppAttr, "application/x-vnd.Be", 21), 21);
  ASSERT_EQ(info.GetPreferredApp(text), 0);
  EXPECT_STREQ(text, "application/x-vnd.Be");
  // Over-long values are refused on the way in and on the way out.
  EXPECT_EQ(info.SetType(std::string(300, 'a').c_str()), -ENAMETOOLONG);
  ASSERT_EQ(node.WriteAttr(plat::kTypeAttr, std::string(300, 'a').data(), 300), 300);
  EXPECT_EQ(info.GetType(text), -ENAMETOOLONG);
  EXPECT_EQ(info.RemoveType(), 0);
  EXPECT_LT(info.GetType(text), 0);
  EXPECT_NE(NodeInfo().GetType(text), 0);
}

TEST_F(AttributeTest, IconsMustHaveTheirExactSize) {
  Node node(file_);
  NodeInfo info(&node);
  uint8_t large[1024], mini[256], back[1024];
  for (int i = 0; i < 1024; ++i) large[i] = uint8_t(i);
  std::memset(mini, 42, sizeof mini);
  ASSERT_EQ(info.SetIcon(large, IconSize::Large), 0);
  ASSERT_EQ(info.SetIcon(mini, IconSize::Mini), 0);
  ASSERT_EQ(info.GetIcon(back, IconSize::Large), 0);
  EXPECT_EQ(std::memcmp(back, large, 1024), 0);
  ASSERT_EQ(info.GetIcon(back, IconSize::Mini), 0);
  EXPECT_EQ(std::memcmp(back, mini, 256), 0);
  // The coding transaction reads the same attribute directly.
  EXPECT_EQ(node.ReadAttr("BEOS:L:STD_ICON", back, 1024), 1024);
  ASSERT_EQ(node.WriteAttr("BEOS:M:STD_ICON", large, 257), 257);
  EXPECT_EQ(info.GetIcon(back, IconSize::Mini), -EINVAL);
}
