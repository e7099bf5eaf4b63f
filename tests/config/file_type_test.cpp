#include "core/config/file_type.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov {
namespace {

// The extension's dots are dropped but one, a missing class name is made up; no extension or no
// program gives nothing, and names that could leave the data folder are refused.
TEST(PrepareFileType, ArgumentRules) {
  const auto a = PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/opt/glkov/glkov");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Extension, ".kov");
  EXPECT_EQ(a->ClassName, "kovfile");
  EXPECT_EQ(a->Message, "File-Type .kov associated with\r\n/opt/glkov/glkov\r\n");
  EXPECT_EQ(PrepareFileType("..kov", "c", "", "", "p")->Extension, ".kov");
  EXPECT_EQ(PrepareFileType("k.o.v", "c", "", "", "p")->Extension, ".kov");
  EXPECT_EQ(PrepareFileType("kov", "", "", "", "p")->ClassName, "kov_auto_file");
  EXPECT_FALSE(PrepareFileType("...", "c", "", "", "p"));
  EXPECT_FALSE(PrepareFileType(".kov", "c", "", "", ""));
  EXPECT_THROW(PrepareFileType(".k/ov", "c", "", "", "p"), Error);
  EXPECT_THROW(PrepareFileType(".kov", "../../evil", "", "", "p"), Error);
  EXPECT_THROW(PrepareFileType(".kov", "a b", "", "", "p"), Error);
}

// A data folder laid out as an installation under root: "<root>/bin/glkov", with the desktop
// entry installed in "<root>/share" when withEntry.
std::filesystem::path MakeInstallation(const std::filesystem::path& root, bool withEntry) {
  std::filesystem::create_directories(root / "bin");
  testing::WriteFile(root / "bin" / "glkov", "");
  if (withEntry) {
    std::filesystem::create_directories(root / "share" / "applications");
    testing::WriteFile(root / "share" / DesktopEntryFile(), "[Desktop Entry]\n");
  }
  return root / "bin" / "glkov";
}

TEST(InstalledDataFolder, InstalledOnlyInBinBesideAnInstalledEntry) {
  testing::TempDir dir;
  const auto installed = MakeInstallation(dir / "usr", true);
  EXPECT_EQ(InstalledDataFolder(installed), std::filesystem::canonical(dir / "usr" / "share"));
  // Started through a link elsewhere, as /usr/local/bin often holds them.
  std::filesystem::create_directories(dir / "links");
  std::filesystem::create_symlink(installed, dir / "links" / "glkov");
  EXPECT_EQ(InstalledDataFolder(dir / "links" / "glkov"),
            std::filesystem::canonical(dir / "usr" / "share"));
  // A build folder, a bin folder without the desktop files, a program named without a folder.
  std::filesystem::create_directories(dir / "build" / "release" / "share" / "applications");
  testing::WriteFile(dir / "build" / "release" / "glkov", "");
  EXPECT_FALSE(InstalledDataFolder(dir / "build" / "release" / "glkov"));
  EXPECT_FALSE(InstalledDataFolder(MakeInstallation(dir / "opt", false)));
  EXPECT_FALSE(InstalledDataFolder(""));
}

TEST(DesktopEntry, IsTheInstalledEntryOpeningTheRunningProgram) {
  const std::string installed = testing::ReadFile(testing::SourceDir() / "data" /
                                                  (std::string(ApplicationId()) + ".desktop"));
  const std::string text = DesktopEntryText("/home/a b/build/glkov");
  EXPECT_NE(text.find("\nExec=\"/home/a b/build/glkov\" %f\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Exec=glkov"), std::string::npos);
  // Every other line as installed.
  std::string rest = text;
  rest.replace(rest.find("Exec="), rest.find('\n', rest.find("Exec=")) - rest.find("Exec="),
               "Exec=glkov %f");
  EXPECT_EQ(rest, installed);
  EXPECT_NE(text.find(std::string("MimeType=") + kProjectMimeType + ";"), std::string::npos);
  EXPECT_EQ(MimePackageText(), testing::ReadFile(testing::SourceDir() / "data" /
                                                 (std::string(ApplicationId()) + ".xml")));
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

TEST(WriteFileTypeAssociation, UninstalledProgramWritesTheDefinitionsForTheUser) {
  testing::TempDir dir;
  const std::filesystem::path data = dir / "data";
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/src/build/glkov");
  std::filesystem::create_directories(data / "applications");
  testing::WriteFile(data / "applications" / "mimeapps.list", "[Default Applications]\nx/y=z;\n");
  testing::WriteFile(data / "applications" / "glkov-kovfile.desktop", "older version");
  const FileTypeRegistration r = WriteFileTypeAssociation(a, data);
  EXPECT_FALSE(r.UsesInstalledFiles);
  EXPECT_EQ(r.Removed, std::vector{data / "applications" / "glkov-kovfile.desktop"});
  EXPECT_EQ(r.Written.size(), 4u);
  EXPECT_EQ(testing::ReadFile(data / MimePackageFile()), MimePackageText());
  EXPECT_EQ(testing::ReadFile(data / DesktopEntryFile()), DesktopEntryText("/src/build/glkov"));
  EXPECT_EQ(testing::ReadFile(data / IconFile()),
            testing::ReadFile(testing::SourceDir() / "data" / "icons" /
                              (std::string(ApplicationId()) + ".svg")));
  EXPECT_EQ(testing::ReadFile(data / "applications" / "mimeapps.list"),
            "[Default Applications]\nx/y=z;\napplication/x-glkov-project=" +
                DesktopEntryFile().filename().string() + ";\n");

  // What the desktop tools make of the written files, where they are installed.
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    const std::string cmd =
        "desktop-file-validate '" + (data / DesktopEntryFile()).string() + "' >/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
  }
  if (std::system("command -v update-mime-database >/dev/null 2>&1") == 0) {
    const std::string cmd =
        "update-mime-database '" + (data / "mime").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string globs = testing::ReadFile(data / "mime" / "globs2");
    EXPECT_NE(globs.find("application/x-glkov-project:*.kov"), std::string::npos) << globs;
    EXPECT_NE(globs.find("application/x-glkov-camera-path:*.cam"), std::string::npos);
    const std::string magic = testing::ReadFile(data / "mime" / "magic");
    EXPECT_NE(magic.find("KOV with Perpective Grid"), std::string::npos);
    EXPECT_NE(magic.find("KOV Camera Path File"), std::string::npos);
  }
}

TEST(WriteFileTypeAssociation, InstalledProgramUsesTheInstalledFiles) {
  testing::TempDir dir;
  const auto program = MakeInstallation(dir / "usr", true);
  const std::filesystem::path data = dir / "home";
  // Left by an uninstalled run and by an older version; they would hide the installed files.
  for (const std::filesystem::path& f :
       {MimePackageFile(), DesktopEntryFile(), IconFile(),
        std::filesystem::path("mime/packages/glkov-kovfile.xml"),
        std::filesystem::path("applications/glkov-kovfile.desktop")}) {
    std::filesystem::create_directories((data / f).parent_path());
    testing::WriteFile(data / f, "stale");
  }
  testing::WriteFile(data / "applications" / "other.desktop", "keep");
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", program.string());
  const FileTypeRegistration r = WriteFileTypeAssociation(a, data);
  EXPECT_TRUE(r.UsesInstalledFiles);
  EXPECT_EQ(r.Removed.size(), 5u);
  EXPECT_FALSE(std::filesystem::exists(data / DesktopEntryFile()));
  EXPECT_FALSE(std::filesystem::exists(data / MimePackageFile()));
  EXPECT_FALSE(std::filesystem::exists(data / IconFile()));
  EXPECT_EQ(testing::ReadFile(data / "applications" / "other.desktop"), "keep");
  EXPECT_EQ(testing::ReadFile(data / "applications" / "mimeapps.list"),
            "[Default Applications]\napplication/x-glkov-project=" +
                DesktopEntryFile().filename().string() + ";\n");
  // Installed into the user's own data folder: the installed entry stays.
  const auto inHome = MakeInstallation(dir / "local", true);
  const auto b = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", inHome.string());
  EXPECT_TRUE(WriteFileTypeAssociation(b, dir / "local" / "share").Removed.empty());
  EXPECT_TRUE(std::filesystem::exists(dir / "local" / "share" / DesktopEntryFile()));
}

TEST(WriteFileTypeAssociation, UnwritableFolderNamesTheFile) {
  const auto a = *PrepareFileType(".kov", "kovfile", "glKOV-File", "", "/usr/bin/glkov");
  EXPECT_THAT(testing::ErrorOf([&] { WriteFileTypeAssociation(a, "/proc/glkov-no-such-folder"); }),
              ::testing::HasSubstr("/proc/glkov-no-such-folder"));
}

}  // namespace
}  // namespace glkov
