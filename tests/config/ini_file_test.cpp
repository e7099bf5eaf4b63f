#include "core/config/ini_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(IniFile, WritesSectionsInOrderWithCrLf) {
  IniFile ini;
  ini.SetValue("Setting", "Left", 10);
  ini.SetValue("Setting", "StickyFormTB.Down", true);
  ini.SetValue("Object Inspector", "Top", -4);
  ini.SetValue("Setting", "Left", 12);
  EXPECT_EQ(ini.Text(),
            "[Setting]\r\nLeft=12\r\nStickyFormTB.Down=1\r\n\r\n[Object Inspector]\r\nTop=-4\r\n");
}

TEST(IniFile, ReadsBackWhatItWrote) {
  testing::TempDir dir;
  IniFile ini;
  ini.SetValue("TTimelineForm", "MFRFEdit.Text", std::string("1.0"));
  ini.SetValue("TTimelineForm", "Width", 300);
  ini.SetValue("A", "multi", std::string("two\nlines"));
  ini.Save(dir / "glKOV.INI");
  const IniFile back = IniFile::Load(dir / "glKOV.INI");
  EXPECT_EQ(back.Value("TTimelineForm", "MFRFEdit.Text", ""), "1.0");
  EXPECT_EQ(back.IntValue("TTimelineForm", "Width", 0), 300);
  EXPECT_EQ(back.Value("A", "multi", ""), "two lines");
  EXPECT_EQ(back.Keys("TTimelineForm"), (std::vector<std::string>{"MFRFEdit.Text", "Width"}));
}

TEST(IniFile, LenientReading) {
  const IniFile ini = IniFile::Parse(
      "; comment\n# another\n\n[Setting]\n  Left = 5\nTop=x\nOn=true\nW=99999999999999\n[Empty]\n",
      "f.ini");
  EXPECT_EQ(ini.IntValue("Setting", "Left", 0), 5);
  EXPECT_EQ(ini.IntValue("Setting", "Top", 7), 7);  // not a number: the fallback
  EXPECT_TRUE(ini.BoolValue("Setting", "On", false));
  EXPECT_EQ(ini.IntValue("Setting", "Missing", -1), -1);
  EXPECT_EQ(ini.IntValue("Setting", "W", 3), 3);  // too large: the fallback
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Setting", "Empty"}));
  testing::TempDir dir;
  EXPECT_TRUE(IniFile::Load(dir / "none.ini").Sections().empty());  // a missing file is empty
}

TEST(IniFile, MalformedFilesNameTheFile) {
  testing::TempDir dir;
  for (const std::string& text : {std::string("[S]\ngarbage line\n"), std::string("=value\n"),
                                  std::string(IniFile::kMaxBytes + 1, 'x')}) {
    testing::WriteFile(dir / "bad.ini", text);
    EXPECT_THAT(testing::ErrorOf([&] { IniFile::Load(dir / "bad.ini"); }),
                ::testing::HasSubstr("bad.ini"));
  }
}

}  // namespace
}  // namespace glkov
