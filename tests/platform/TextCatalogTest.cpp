// The catalog of the program's own texts: how a language is chosen from the environment, and
// how its lines are read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/TextCatalog.h"
#include "tests/platform/TempHome.h"

class TextCatalogTest : public TempHomeTest {
 protected:
  void TearDown() override {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG", "MURVEL_LOCALEDIR"})
      unsetenv(name);
    TempHomeTest::TearDown();
  }
};

TEST_F(TextCatalogTest, TheWantedLanguageFindsItsCatalog) {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
  setenv("LANG", "pt_BR.UTF-8", 1);
  setenv("LC_MESSAGES", "de_AT.UTF-8@euro", 1);
  EXPECT_EQ(plat::WantedLanguages(), (std::vector<std::string>{"de_AT", "de"}));
  setenv("LANGUAGE", "fr:C:nl_BE", 1);
  EXPECT_EQ(plat::WantedLanguages(), (std::vector<std::string>{"fr", "nl_BE", "nl"}));
  unsetenv("LANGUAGE");
  setenv("LC_ALL", "POSIX", 1);
  EXPECT_TRUE(plat::WantedLanguages().empty());

  // The country's catalog first, else the language's.
  std::ofstream(root_ + "/de.txt") << "# comment\n"
                                   << "Not found\tNicht gefunden\n"
                                   << "a\\tb\\nc\\\\\tx\\ny\n"
                                   << "no tab here\n";
  setenv("LC_ALL", "de_AT.UTF-8", 1);
  setenv("MURVEL_LOCALEDIR", root_.c_str(), 1);
  plat::TextCatalog catalog;
  ASSERT_TRUE(plat::LoadWantedCatalog("/nonexistent", &catalog));
  EXPECT_STREQ(catalog.Find("Not found"), "Nicht gefunden");
  EXPECT_STREQ(catalog.Find("a\tb\nc\\"), "x\ny");
  EXPECT_STREQ(catalog.Find("no tab here"), "no tab here");
  std::ofstream(root_ + "/de_AT.txt") << "Not found\tNet gfundn\n";
  ASSERT_TRUE(plat::LoadWantedCatalog("/nonexistent", &catalog));
  EXPECT_STREQ(catalog.Find("Not found"), "Net gfundn");

  setenv("LC_ALL", "sv_SE.UTF-8", 1);
  EXPECT_FALSE(plat::LoadWantedCatalog("/nonexistent", &catalog));
  EXPECT_STREQ(catalog.Find("Not found"), "Not found");
}
