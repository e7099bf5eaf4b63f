#include "core/animation/timeline.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "core/model/project.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::ScriptedCallbacks;

TCamera CameraAt(double x) { return {{x, 0.5, 1}, {0, 0, -1}, {0, 1, 0}}; }

TEST(Timeline, NewPathHasTwoEmptyKeys) {
  TProject p;
  p.Camera = CameraAt(7);
  TTimeline t(p);
  EXPECT_EQ(t.Caption(), "Animation Path");
  t.NewPath();
  ASSERT_EQ(t.KeyCount(), 2);
  EXPECT_FALSE(t.KeyFrames()[0].Recorded);
  EXPECT_FALSE(t.KeyFrames()[1].Recorded);
  // New keys hold the live camera rather than unset values.
  EXPECT_EQ(t.KeyFrames()[1].Camera(), CameraAt(7));
  EXPECT_EQ(t.CurrentKey(), 1);
  EXPECT_FALSE(t.DeleteButtonEnabled());
  EXPECT_EQ(t.Caption(), "Animation Path - [Untitled]");
  EXPECT_EQ(t.NoOfKeyframeEdit(), "2");
  EXPECT_EQ(t.RecordCaption(), "Record");
  EXPECT_EQ(p.CameraPathFile, "");
}

TEST(Timeline, RecordingAdvancesToTheNextKeyButNotPastTheLast) {
  TProject p;
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("3");
  ASSERT_EQ(t.KeyCount(), 3);
  p.Camera = CameraAt(1);
  t.RecordCurrentFrame();
  EXPECT_TRUE(t.KeyFrames()[0].Recorded);
  EXPECT_EQ(t.KeyFrames()[0].Camera(), CameraAt(1));
  EXPECT_EQ(t.CurrentKey(), 2);
  EXPECT_EQ(t.CurrentFrameEdit(), "2");
  EXPECT_EQ(t.RecordCaption(), "Record");
  p.Camera = CameraAt(2);
  t.RecordCurrentFrame();
  p.Camera = CameraAt(3);
  t.RecordCurrentFrame();
  EXPECT_EQ(t.CurrentKey(), 3);
  EXPECT_EQ(t.RecordCaption(), "Record");  // the caption changes only on a selection
  EXPECT_EQ(t.KeyFrames()[2].Camera(), CameraAt(3));
}

TEST(Timeline, SelectingARecordedKeyMovesTheCameraAndOffersClear) {
  TProject p;
  TTimeline t(p);
  int redraws = 0;
  t.RedrawScene = [&redraws] { ++redraws; };
  p.Camera = CameraAt(1);
  t.RecordCurrentFrame();  // key 1, now on key 2
  p.Camera = CameraAt(9);
  t.SelectKey(1);
  EXPECT_EQ(p.Camera, CameraAt(1));
  EXPECT_EQ(t.RecordCaption(), "Clear");
  EXPECT_GE(redraws, 1);
  // "Clear" only clears: the camera stays.
  p.Camera = CameraAt(5);
  t.RecordCurrentFrame();
  EXPECT_FALSE(t.KeyFrames()[0].Recorded);
  EXPECT_EQ(t.RecordCaption(), "Record");
  EXPECT_EQ(p.Camera, CameraAt(5));
  EXPECT_EQ(t.CurrentKey(), 1);
}

TEST(Timeline, MovingOntoAnUnrecordedKeyKeepsThePreviousCamera) {
  TProject p;
  TTimeline t(p);
  p.Camera = CameraAt(1);
  t.RecordCurrentFrame();  // key 1 recorded, key 2 selected
  t.SelectKey(1);
  p.Camera = CameraAt(4);
  t.SetCurrentFrameEdit("2");
  EXPECT_EQ(t.CurrentKey(), 2);
  EXPECT_EQ(p.Camera, CameraAt(1));  // key 1's values, copied when the field changed
  EXPECT_EQ(t.RecordCaption(), "Record");
}

TEST(Timeline, KeyAndCountOutsideTheRangeAreRefused) {
  TProject p;
  TTimeline t(p);
  t.SelectKey(9);
  EXPECT_EQ(t.CurrentKey(), 2);
  t.SelectKey(-3);
  EXPECT_EQ(t.CurrentKey(), 1);
  t.ScrollThumb(2);
  EXPECT_EQ(t.CurrentKey(), 2);
  EXPECT_THROW(t.SetCurrentFrameEdit("two"), Error);
  EXPECT_EQ(t.CurrentKey(), 2);
  // A count that is no number or too large changes nothing.
  EXPECT_THROW(t.SetNoOfKeyframeEdit("many"), Error);
  EXPECT_THROW(t.SetNoOfKeyframeEdit("2000000000"), Error);
  EXPECT_EQ(t.KeyCount(), 2);
  EXPECT_EQ(t.NoOfKeyframeEdit(), "2");
}

TEST(Timeline, TypingACountAppendsEmptyKeys) {
  TProject p;
  p.Camera = CameraAt(3);
  TTimeline t(p);
  int changes = 0;
  t.KeyCountChanged = [&changes] { ++changes; };
  t.SetNoOfKeyframeEdit("5");
  ASSERT_EQ(t.KeyCount(), 5);
  for (const TKeyFrame& k : t.KeyFrames()) {
    EXPECT_FALSE(k.Recorded);
    EXPECT_EQ(k.Camera(), CameraAt(3));
  }
  EXPECT_TRUE(t.DeleteButtonEnabled());
  EXPECT_EQ(t.ScrollBarMax(), 5);
  EXPECT_EQ(changes, 1);
  t.AddKey();
  EXPECT_EQ(t.KeyCount(), 6);
  EXPECT_EQ(t.NoOfKeyframeEdit(), "6");
}

TEST(Timeline, LoweringTheCountAsksPerKey) {
  TProject p;
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("4");
  p.Camera = CameraAt(1);
  t.RecordCurrentFrame();
  p.Camera = CameraAt(2);
  t.RecordCurrentFrame();  // keys 1, 2 recorded; key 3 selected
  t.SelectKey(1);
  ScriptedCallbacks cb;
  cb.Answers = {true, false};
  t.SetNoOfKeyframeEdit("1", cb);
  EXPECT_EQ(cb.Questions,
            (std::vector<std::string>{"Delete current keyframe?", "Delete current keyframe?"}));
  // Yes deleted key 1, No stopped: three keys remain while the field shows 1.
  ASSERT_EQ(t.KeyCount(), 3);
  EXPECT_EQ(t.KeyFrames()[0].Camera(), CameraAt(2));
  EXPECT_EQ(t.NoOfKeyframeEdit(), "1");
  EXPECT_TRUE(t.DeleteButtonEnabled());
  // On the last key: it goes, then the selected key is past the end and nothing more is deleted.
  t.SelectKey(3);
  t.SetNoOfKeyframeEdit("0", cb);  // the script is empty: every answer Yes
  EXPECT_EQ(t.KeyCount(), 2);
  EXPECT_EQ(cb.Questions.size(), 4u);
  EXPECT_EQ(t.CurrentKey(), 2);
}

TEST(Timeline, DeleteButtonDeletesTheSelectedKey) {
  TProject p;
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("3");
  p.Camera = CameraAt(1);
  t.RecordCurrentFrame();
  p.Camera = CameraAt(2);
  t.RecordCurrentFrame();
  p.Camera = CameraAt(3);
  t.RecordCurrentFrame();
  t.SelectKey(2);
  ScriptedCallbacks no;
  no.Answers = {false};
  t.DeleteKey(no);
  EXPECT_EQ(t.KeyCount(), 3);
  ScriptedCallbacks yes;
  t.DeleteKey(yes);
  ASSERT_EQ(t.KeyCount(), 2);
  EXPECT_EQ(t.KeyFrames()[1].Camera(), CameraAt(3));  // later keys move up
  EXPECT_EQ(t.NoOfKeyframeEdit(), "2");
  EXPECT_FALSE(t.DeleteButtonEnabled());
  // With two keys the button is disabled: nothing is asked.
  ScriptedCallbacks again;
  t.DeleteKey(again);
  EXPECT_TRUE(again.Questions.empty());
  EXPECT_EQ(t.KeyCount(), 2);
}

}  // namespace
}  // namespace glkov
