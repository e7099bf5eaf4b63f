#include "core/model/mask_document.h"

#include <gtest/gtest.h>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/vision/mask_tools.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

using testing::TempDir;

bool SamePixels(const TFastBMP& a, const TFastBMP& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.PackedPixels() == b.PackedPixels();
}

class MaskDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    synthetic::SyntheticRoomOptions o = testing::MediumRoomOptions();
    o.Objects = {{synthetic::ObjectShape::kRoundedBox, 160, 45, 60, 40}};
    room_ = synthetic::MakeSyntheticRoom(o);
    kov_ = synthetic::WriteRoomProject(room_, dir_.path(), "room").string();
    LoadProject(project_, timeline_, kov_);
  }

  TempDir dir_;
  synthetic::SyntheticRoom room_;
  std::string kov_;
  TProject project_;
  TTimeline timeline_{project_};
};

// A new mask is black at the original's size; an edit reaches the cut-out, drops the accepted
// extraction and the mask's file; saving writes "<project>_mask.png" beside the project, which
// opening the project reads back.
TEST_F(MaskDocument, EditedMaskIsSavedBesideTheProject) {
  project_.ObjectsExtracted = true;
  PrepareMaskForEditing(project_, true);
  EXPECT_EQ(project_.IMask.Width(), 320);
  EXPECT_EQ(vision::CountMaskPixels(project_.IMask), 0);
  EXPECT_EQ(vision::CountMaskPixels(project_.IMask_r), 0);
  EXPECT_FALSE(project_.ObjectsExtracted);
  EXPECT_TRUE(project_.Modified);

  vision::PaintStroke(project_.IMask, {40, 200}, {90, 200}, 21, 255);
  MaskChanged(project_);
  EXPECT_EQ(vision::CountMaskPixels(project_.IMask_r), vision::CountMaskPixels(project_.IMask));
  EXPECT_TRUE(project_.MaskFilename.empty());

  const std::string other = (dir_ / "other.kov").string();
  SaveProject(project_, other);
  EXPECT_EQ(project_.MaskFilename, (dir_ / "other_mask.png").string());
  const std::string text = testing::ReadFile(other);
  EXPECT_NE(text.find("\r\nother_mask.png\r\n"), std::string::npos);

  TProject reopened;
  TTimeline t(reopened);
  LoadProject(reopened, t, other);
  EXPECT_TRUE(SamePixels(reopened.IMask, project_.IMask));
  // A mask read from its file is not written again.
  std::filesystem::remove(dir_ / "other_mask.png");
  SaveProject(reopened, other);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "other_mask.png"));
}

TEST_F(MaskDocument, PreparingKeepsOrFitsTheMask) {
  const TFastBMP loaded = project_.IMask;
  PrepareMaskForEditing(project_);  // same size: kept as it is, still its file's
  EXPECT_TRUE(SamePixels(project_.IMask, loaded));
  EXPECT_FALSE(project_.MaskFilename.empty());

  TFastBMP half;
  loaded.StretchInto(half, 160, 120);
  project_.IMask = half;
  PrepareMaskForEditing(project_);
  EXPECT_EQ(project_.IMask.Width(), 320);
  EXPECT_EQ(project_.IMask.Height(), 240);
  EXPECT_NEAR(double(vision::CountMaskPixels(project_.IMask)), vision::CountMaskPixels(loaded),
              0.1 * vision::CountMaskPixels(loaded));
  EXPECT_TRUE(project_.MaskFilename.empty());

  TProject empty;
  EXPECT_THROW(PrepareMaskForEditing(empty), Error);
  EXPECT_EQ(MaskFileBesideProject("/a/b/My Room.kov"), "/a/b/My Room_mask.png");
}

}  // namespace
}  // namespace glkov
