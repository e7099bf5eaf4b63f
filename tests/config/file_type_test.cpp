#include "core/config/file_type.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(PrepareFileType, ProgramAssociation) {
  const auto a = PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/opt/glkov/glkov");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Extension, ".kov");
  EXPECT_EQ(a->ClassName, "kovfile");
  EXPECT_EQ(a->Message, "File-Type .kov associated with\r\n/opt/glkov/glkov\r\n");
  EXPECT_EQ(MimeTypeName(*a), "application/x-kovfile");
}

TEST(PrepareFileType, ArgumentRules) {
  EXPECT_EQ(PrepareFileType("..kov", "c", "", "", "p")->Extension, ".kov");
  EXPECT_EQ(PrepareFileType("k.o.v", "c", "", "", "p")->Extension, ".kov");
  EXPECT_EQ(PrepareFileType("kov", "", "", "", "p")->ClassName, "kov_auto_file");
  EXPECT_FALSE(PrepareFileType("...", "c", "", "", "p"));
  EXPECT_FALSE(PrepareFileType(".kov", "c", "", "", ""));
}

TEST(PrepareFileType, RejectsNamesThatCouldLeaveTheDataFolder) {
  EXPECT_THROW(PrepareFileType(".k/ov", "c", "", "", "p"), Error);
  EXPECT_THROW(PrepareFileType(".kov", "../../evil", "", "", "p"), Error);
  EXPECT_THROW(PrepareFileType(".kov", "a b", "", "", "p"), Error);
}

TEST(DesktopEntry, OpensTheFileWithTheProgram) {
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/opt/glkov/glkov");
  const std::string text = DesktopEntryText(a);
  EXPECT_NE(text.find("Exec=/opt/glkov/glkov %f\n"), std::string::npos) << text;
  EXPECT_NE(text.find("MimeType=application/x-kovfile;\n"), std::string::npos);
  EXPECT_EQ(text.find("Icon="), std::string::npos);
  const std::string mime = MimePackageText(a);
  EXPECT_NE(mime.find("<glob pattern=\"*.kov\"/>"), std::string::npos) << mime;
  EXPECT_NE(mime.find("<comment>glKOV-File</comment>"), std::string::npos);
}

TEST(DesktopEntry, QuotesAProgramPathWithSpaces) {
  const auto a = *PrepareFileType(".kov", "kovfile", "d", "", "/home/a b/glkov");
  EXPECT_NE(DesktopEntryText(a).find("Exec=\"/home/a b/glkov\" %f\n"), std::string::npos);
}

TEST(SetDefaultApplication, AddsReplacesAndKeeps) {
  EXPECT_EQ(SetDefaultApplication("", "application/x-k", "g.desktop"),
            "[Default Applications]\napplication/x-k=g.desktop;\n");
  const std::string list =
      "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
      "image/png=b.desktop;\napplication/x-k=old.desktop;\n";
  EXPECT_EQ(SetDefaultApplication(list, "application/x-k", "g.desktop"),
            "[Added Associations]\ntext/plain=a.desktop;\n\n[Default Applications]\n"
            "image/png=b.desktop;\napplication/x-k=g.desktop;\n");
  EXPECT_EQ(
      SetDefaultApplication("[Default Applications]\nimage/png=b.desktop;\n\n[X]\ny=1\n",
                            "application/x-k", "g.desktop"),
      "[Default Applications]\nimage/png=b.desktop;\napplication/x-k=g.desktop;\n\n[X]\ny=1\n");
}

TEST(WriteFileTypeAssociation, WritesBelowTheDataFolderOnly) {
  testing::TempDir dir;
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/usr/bin/glkov");
  std::filesystem::create_directories(dir / "applications");
  testing::WriteFile(dir / "applications" / "mimeapps.list", "[Default Applications]\nx/y=z;\n");
  WriteFileTypeAssociation(a, dir.path());
  EXPECT_EQ(testing::ReadFile(dir.path() / "mime/packages/glkov-kovfile.xml"), MimePackageText(a));
  EXPECT_EQ(testing::ReadFile(dir.path() / "applications/glkov-kovfile.desktop"),
            DesktopEntryText(a));
  EXPECT_EQ(testing::ReadFile(dir.path() / "applications/mimeapps.list"),
            "[Default Applications]\nx/y=z;\napplication/x-kovfile=glkov-kovfile.desktop;\n");
}

TEST(WriteFileTypeAssociation, UnwritableFolderNamesTheFile) {
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/usr/bin/glkov");
  try {
    WriteFileTypeAssociation(a, "/proc/glkov-no-such-folder");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("/proc/glkov-no-such-folder"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace glkov
