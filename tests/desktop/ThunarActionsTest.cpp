// Thunar's uca.xml: our action merged in once, the user's own actions and bytes kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop/ThunarActions.h"
#include "tests/platform/TempHome.h"

namespace {

plat::FileAction Action(const std::string& program) {
  plat::FileAction a;
  a.id = "x-vnd.Telva-Murvel";
  a.label = "Code or decode with Murvel";
  a.description = "Open & code";
  a.iconName = "x-vnd.Telva-Murvel";
  a.program = program;
  return a;
}

// A user's file as Thunar writes it, with a DTD, a comment, text in other scripts and an action
// that only looks like ours.
const std::string kUsers =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE actions [\n  <!ELEMENT actions (action)+>\n]>\n"
    "<actions>\n"
    "<!-- mine -->\n"
    "<action>\n\t<icon>utilities-terminal</icon>\n\t<name>Терминал здесь</name>\n"
    "\t<unique-id>1700000000-1</unique-id>\n\t<command>xterm %f</command>\n"
    "\t<description>x-vnd.Telva-Murvel-action</description>\n\t<directories/>\n</action>\n"
    "</actions>\n";

std::string Merged(const std::string& uca, const std::string& program) {
  std::string out;
  plat::Outcome merged = plat::WithThunarAction(uca, Action(program), &out);
  EXPECT_TRUE(merged) << merged.why();
  return out;
}

TEST(ThunarActionsTest, MergedOnceBesideTheUsersActions) {
  const std::string ours = plat::ThunarActionElement(Action("/opt/my apps/murvel"));
  EXPECT_NE(ours.find("<command>'/opt/my apps/murvel' %f</command>"), std::string::npos) << ours;
  EXPECT_NE(ours.find("<description>Open &amp; code</description>"), std::string::npos);

  const std::string once = Merged(kUsers, "/opt/my apps/murvel");
  const size_t end = kUsers.rfind("</actions>");
  EXPECT_EQ(once, kUsers.substr(0, end) + ours + "\n" + kUsers.substr(end));
  // The next start finds it and changes nothing.
  EXPECT_EQ(Merged(once, "/opt/my apps/murvel"), once);
  // The program moved (installed for the system now): our action follows, in its place.
  const std::string moved = Merged(once, "/usr/bin/murvel");
  EXPECT_EQ(moved, kUsers.substr(0, end) + plat::ThunarActionElement(Action("/usr/bin/murvel")) +
                       "\n" + kUsers.substr(end));
}

TEST(ThunarActionsTest, AFileThatIsNotAnActionListIsLeftToTheUser) {
  for (const std::string& bad :
       {std::string("<actions><action></actions>"), std::string("<settings/>\n"), std::string(""),
        std::string("<actions>\xff</actions>")}) {
    std::string out = "untouched";
    EXPECT_FALSE(plat::WithThunarAction(bad, Action("murvel"), &out)) << bad;
    EXPECT_EQ(out, "untouched");
  }
}

class ThunarInstallTest : public TempHomeTest {};

// A user without a uca.xml of their own sees the system's actions; ours must not hide them.
TEST_F(ThunarInstallTest, AUserWithoutAFileStartsFromTheSystemsAndABrokenOneIsKept) {
  const std::string system = root_ + "/xdg";
  ASSERT_EQ(mkdir(system.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((system + "/Thunar").c_str(), 0755), 0);
  WriteFile(system + "/Thunar/uca.xml", kUsers);
  setenv("XDG_CONFIG_DIRS", (root_ + "/none:" + system).c_str(), 1);
  plat::Outcome installed = plat::InstallThunarAction(Action("murvel"));
  unsetenv("XDG_CONFIG_DIRS");
  ASSERT_TRUE(installed) << installed.why();
  const std::string user = config_ + "/Thunar/uca.xml";
  EXPECT_EQ(ReadFile(user), Merged(kUsers, "murvel"));
  EXPECT_EQ(ReadFile(system + "/Thunar/uca.xml"), kUsers);

  WriteFile(user, "<actions><action>");
  plat::Outcome refused = plat::InstallThunarAction(Action("murvel"));
  EXPECT_FALSE(refused);
  EXPECT_NE(refused.why().find("left as it is"), std::string::npos) << refused.why();
  EXPECT_EQ(ReadFile(user), "<actions><action>");
}

}  // namespace
