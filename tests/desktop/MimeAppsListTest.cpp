// The default-application entry goes into mimeapps.list only where the type has no default, and
// every byte the user wrote stays where it was.
#include <gtest/gtest.h>

#include "desktop/MimeAppsList.h"

namespace {

constexpr const char* kType = "text/x-CodedData";
constexpr const char* kId = "x-vnd.Telva-Murvel.desktop";

std::string Added(const std::string& list) {
  return plat::WithDefaultAppIfUnset(list, kType, kId);
}

TEST(MimeAppsListTest, AnExistingDefaultIsTheUsersChoiceAndStays) {
  for (const std::string list : {
           "[Default Applications]\ntext/x-CodedData=hexedit.desktop;\n",
           // Spacing, CRLF line ends, a second section of the same name, no final line end.
           "[Added Associations]\r\nimage/png=a.desktop;\r\n[Default Applications]\r\n"
           " text/x-CodedData = other.desktop;mine.desktop;\r\n",
           "[Default Applications]\nimage/png=v.desktop;\n[Default Applications]\n"
           "text/x-CodedData=x.desktop;",
           // An empty value is a choice too: no application.
           "[Default Applications]\ntext/x-CodedData=\n",
       }) {
    EXPECT_EQ(Added(list), list);
  }
}

TEST(MimeAppsListTest, OurLineIsAddedAndEverythingElseKeepsItsBytes) {
  struct Case {
    std::string before, after;
  };
  const std::string ours = std::string(kType) + "=" + kId + ";\n";
  for (const Case& c : std::vector<Case>{
           {"", "[Default Applications]\n" + ours},
           // After the section's last entry: its blank line and comment-free spacing stay
           // before the next section; an association elsewhere is no default.
           {"# mine\n[Added Associations]\ntext/x-CodedData=hex.desktop;\n\n"
            "[Default Applications]\r\nimage/png=viewer.desktop;\r\n\n\n[Removed Associations]\n",
            "# mine\n[Added Associations]\ntext/x-CodedData=hex.desktop;\n\n"
            "[Default Applications]\r\nimage/png=viewer.desktop;\r\n" +
                ours + "\n\n[Removed Associations]\n"},
           // An empty section: right after its header.
           {"[Default Applications]\n\n[Other]\nk=v\n",
            "[Default Applications]\n" + ours + "\n[Other]\nk=v\n"},
           // A last line without its line end gets one before ours.
           {"[Default Applications]\nimage/png=viewer.desktop;",
            "[Default Applications]\nimage/png=viewer.desktop;\n" + ours},
           // No section: a new one at the end, after a blank line.
           {"[Added Associations]\nimage/png=a.desktop;",
            "[Added Associations]\nimage/png=a.desktop;\n\n[Default Applications]\n" + ours},
       }) {
    EXPECT_EQ(Added(c.before), c.after) << c.before;
    std::string id;
    ASSERT_TRUE(plat::DefaultAppOf(c.after, kType, &id)) << c.after;
    EXPECT_EQ(id, kId);
    // A second start finds its own line and changes nothing.
    EXPECT_EQ(Added(c.after), c.after);
  }
}

}  // namespace
