// Every writer of a file the user cares about, under every fault a save can meet: a read-only
// folder, a read-only file system, a file size limit, a file system that fills up, and the
// process killed in the middle of the write. In every case the previous file stays byte for
// byte, no temporary file is left, and the error names the file and the cause.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/png_save.h"
#include "core/model/mask_document.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/objects/composite.h"
#include "core/output/avi_writer.h"
#include "core/output/movie_writer.h"
#include "core/util/sha256.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::FolderEntries;
using testing::TempDir;

enum class Fault { ReadOnlyFolder, ReadOnlyFileSystem, FileSizeLimit, FullFileSystem, Killed };

// Each fault, its name in the test names, and the cause it must be reported with.
struct FaultInfo {
  Fault Kind;
  const char* Id;
  int Errno;
};
constexpr FaultInfo kFaults[] = {{Fault::ReadOnlyFolder, "ReadOnlyFolder", EACCES},
                                 {Fault::ReadOnlyFileSystem, "ReadOnlyFileSystem", EROFS},
                                 {Fault::FileSizeLimit, "FileSizeLimit", EFBIG},
                                 {Fault::FullFileSystem, "FullFileSystem", ENOSPC},
                                 {Fault::Killed, "Killed", 0}};

// Faults are sized so that every writer gets some way into its file before it fails.
constexpr uint64_t kLimitBytes = 16384;
constexpr uint64_t kKillAfterBytes = 32768;

// One writer: the file it writes and the write itself (its data made before any fork).
struct Writer {
  std::string Id;
  std::string FileName;
  std::function<void(const std::string&)> Write;
};

TProject BigProject() {
  TProject p;
  p.PictureFilename = "room.bmp";
  p.MaskFilename = "roommask.bmp";
  p.BackgroundFilename = "roomback.bmp";
  p.MeshRegions.resize(2);
  p.MeshRegions[0].Name = "Window";
  p.MeshRegions[1].Name = "Region 1";
  p.CurrentRegion = 1;
  p.fgObjs.resize(3000);
  for (size_t i = 0; i < p.fgObjs.size(); ++i) p.fgObjs[i].Name = "Object " + std::to_string(i);
  return p;
}

// A picture that does not compress, so that the faults land inside its file.
TFastBMP Noise(int w, int h, bool grey) {
  TFastBMP b(w, h);
  uint32_t state = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) {
        state = state * 1664525u + 1013904223u;
        b.Pixel(x, y)[c] = static_cast<uint8_t>(state >> 24);
      }
      if (grey) b.Pixel(x, y)[0] = b.Pixel(x, y)[1] = b.Pixel(x, y)[2];
    }
  }
  return b;
}

std::vector<Writer> Writers() {
  std::vector<Writer> writers;
  writers.push_back({"Project", "room.kov", [](const std::string& f) {
                       TProject p = BigProject();
                       SaveProject(p, f);
                     }});
  writers.push_back({"CameraPath", "walk.cam", [](const std::string& f) {
                       TProject p;
                       p.MeshRegions.resize(2);
                       p.CurrentRegion = 1;
                       TTimeline t(p);
                       t.SetNoOfKeyframeEdit("5000");
                       SaveCameraPathFile(t, f);
                     }});
  writers.push_back({"MaskedPicture", "masked.bmp", [](const std::string& f) {
                       SaveMaskedImage(testing::FilledPicture(300, 200, 10, 10, 10),
                                       testing::FilledPicture(300, 200, 128, 128, 128),
                                       testing::FilledPicture(300, 200, 200, 200, 200), f);
                     }});
  writers.push_back({"Movie", "movie.avi", [](const std::string& f) {
                       AviWriterOptions o;
                       o.Width = 320;
                       o.Height = 240;
                       AviWriter w(f, o);
                       const TFastBMP frame = testing::FilledPicture(320, 240, 77, 77, 77);
                       for (int i = 0; i < 12; ++i) w.AddFrame(frame);
                       w.Finish();
                     }});
  writers.push_back({"Mp4", "movie.mp4", [](const std::string& f) {
                       MovieWriterOptions o;
                       const TFastBMP frame = Noise(o.Width, o.Height, false);
                       auto w = OpenEncodedMovieWriter(f, MovieFormat::Mp4, o);
                       for (int i = 0; i < 12; ++i) w->AddFrame(frame, RowOrder::TopDown);
                       w->Commit();
                     }});
  writers.push_back(
      {"Png", "back.png", [](const std::string& f) { SavePicturePNG(f, Noise(300, 200, false)); }});
  writers.push_back(
      {"Mask", "mask.png", [](const std::string& f) { SaveMaskPng(f, Noise(400, 300, true)); }});
  return writers;
}

const std::string kPrevious = "the previous version of this file\r\n";

// Drops the rights by which root writes into folders that are not writable, as an ordinary
// user would be refused.
void DropFileRights() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
  }
  ::syscall(SYS_capset, &header, data);
}

// Mounts run in a private mount namespace of the child; returns an empty text or why not.
std::string PrivateMounts() {
  if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::string("mount: ") + std::strerror(errno);
  }
  return {};
}

// What a fault left behind.
struct Outcome {
  std::string Skipped;  // why the fault could not be set up here
  bool Threw = false;
  std::string Message;
  bool PreviousIntact = false;
  std::string Stray;  // entries of the folder besides the target
  int64_t BytesAtKill = 0;
};

std::string Digest(const std::string& s) {
  return Sha256Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// The digest of the target's content, and the other entries of its folder.
std::pair<std::string, std::string> Leftovers(const TempDir& dir, const Writer& writer) {
  std::string stray;
  for (const auto& name : FolderEntries(dir.path())) {
    if (name != writer.FileName) stray += name + " ";
  }
  return {Digest(testing::ReadFile(dir / writer.FileName)), stray};
}

Outcome RunFault(const Writer& writer, Fault fault, const TempDir& dir) {
  const auto target = dir / writer.FileName;
  Outcome outcome;
  if (fault == Fault::Killed) {
    testing::WriteFile(target, kPrevious);
    const auto killed = testing::KillDuringWrite(dir.path(), kKillAfterBytes,
                                                 [&] { writer.Write(target.string()); });
    outcome.Message = killed.KilledMidWrite ? "" : "not killed: " + killed.Error;
    outcome.BytesAtKill = killed.BytesWritten;
    const auto [digest, stray] = Leftovers(dir, writer);
    outcome.PreviousIntact = digest == Digest(kPrevious);
    outcome.Stray = stray;
    return outcome;
  }
  // The other faults are set up, met and inspected in a child process, whose mounts and rights
  // do not reach the test program.
  const auto run = testing::RunInChild([&]() -> std::string {
    switch (fault) {
      case Fault::ReadOnlyFolder:
        testing::WriteFile(target, kPrevious);
        ::chmod(dir.path().c_str(), 0555);
        DropFileRights();
        break;
      case Fault::ReadOnlyFileSystem: {
        testing::WriteFile(target, kPrevious);
        if (auto why = PrivateMounts(); !why.empty()) return "SKIP" + why;
        const char* d = dir.path().c_str();
        if (::mount(d, d, nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, d, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
          return std::string("SKIPbind mount: ") + std::strerror(errno);
        }
        break;
      }
      case Fault::FileSizeLimit:
        testing::WriteFile(target, kPrevious);
        testing::LimitFileSize(kLimitBytes, false);
        break;
      case Fault::FullFileSystem: {
        if (auto why = PrivateMounts(); !why.empty()) return "SKIP" + why;
        const std::string size = "size=" + std::to_string(kLimitBytes);
        if (::mount("glkov-full", dir.path().c_str(), "tmpfs", 0, size.c_str()) != 0) {
          return std::string("SKIPtmpfs: ") + std::strerror(errno);
        }
        testing::WriteFile(target, kPrevious);
        break;
      }
      case Fault::Killed:
        break;
    }
    std::string message = "M";
    try {
      writer.Write(target.string());
      message = "Rno error";
    } catch (const Error& e) {
      message += e.what();
    }
    const auto [digest, stray] = Leftovers(dir, writer);
    return digest + "\n" + stray + "\n" + message;
  });
  if (!run.Returned) {
    outcome.Message = "child failed: " + run.Error + " signal " + std::to_string(run.Signal);
    return outcome;
  }
  if (run.Output.rfind("SKIP", 0) == 0) {
    outcome.Skipped = run.Output.substr(4);
    return outcome;
  }
  std::istringstream in(run.Output);
  std::string sha;
  std::getline(in, sha);
  std::getline(in, outcome.Stray);
  std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  outcome.PreviousIntact = sha == Digest(kPrevious);
  outcome.Threw = !message.empty() && message[0] == 'M';
  outcome.Message = message.substr(1);
  return outcome;
}

struct Case {
  size_t WriterIndex;
  FaultInfo Fault;
};

class InjectedFault : public ::testing::TestWithParam<Case> {};

TEST_P(InjectedFault, PreviousFileKeptNoStrayFileClearMessage) {
  const Writer writer = Writers()[GetParam().WriterIndex];
  const FaultInfo& info = GetParam().Fault;
  const Fault fault = info.Kind;
  TempDir dir;
  const Outcome o = RunFault(writer, fault, dir);
  if (!o.Skipped.empty()) GTEST_SKIP() << o.Skipped;
  const auto target = (dir / writer.FileName).string();
  EXPECT_TRUE(o.PreviousIntact) << "the previous file changed";
  EXPECT_EQ(o.Stray, "") << "left in the folder";
  if (fault == Fault::Killed) {
    EXPECT_EQ(o.Message, "") << "the kill did not land inside the write";
    EXPECT_GT(o.BytesAtKill, 0) << "nothing written when killed";
  } else {
    EXPECT_TRUE(o.Threw) << o.Message;
    EXPECT_NE(o.Message.find(target), std::string::npos) << o.Message;
    EXPECT_NE(o.Message.find(std::strerror(info.Errno)), std::string::npos) << o.Message;
  }
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (size_t w = 0; w < Writers().size(); ++w) {
    for (const FaultInfo& f : kFaults) cases.push_back({w, f});
  }
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return Writers()[info.param.WriterIndex].Id + "_" + info.param.Fault.Id;
}

INSTANTIATE_TEST_SUITE_P(Writers, InjectedFault, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace glkov
