#include "core/animation/timeline.h"

#include <algorithm>

#include "core/error.h"
#include "core/model/project.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

int ParseField(const std::string& text) {
  const std::string_view trimmed = TrimLeadingBlanks(text);
  const auto v = ParseInt(trimmed);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) {
    throw Error("'" + text + "' is not a valid integer value");
  }
  return static_cast<int>(*v);
}

}  // namespace

TTimeline::TTimeline(TProject& project) : project_(&project) { CreateKeyFrames(); }

double TTimeline::MasterFrameRateFactor() const {
  const auto v = ParseDouble(TrimLeadingBlanks(MFRFEdit));
  return v ? *v : 1.0;
}

void TTimeline::CreateKeyFrames() {
  if (listExists_) return;
  listExists_ = true;
  keys_.clear();
  AddKeyFrame();
  AddKeyFrame();
  currentKey_ = 1;
  currentFrameEdit_ = "1";
  barPosition_ = 1;
  recordCaption_ = "Record";
  noOfKeyframeEdit_ = "2";
  deleteEnabled_ = false;
  SyncKeyFrameBar();
}

void TTimeline::FreeKeyFrames() {
  if (!listExists_) return;
  keys_.clear();
  listExists_ = false;
}

void TTimeline::AddKeyFrame() {
  const TCamera& c = project_->Camera;
  keys_.push_back({false, c.CamPos, c.CamDir, c.CamUp});
}

void TTimeline::NewPath() {
  FreeKeyFrames();
  CreateKeyFrames();
  SetPathCaption("");
  Modified = false;
}

void TTimeline::SetPathCaption(const std::string& name) {
  project_->CameraPathFile = name;
  caption_ = "Animation Path - [" + (name.empty() ? std::string("Untitled") : name) + "]";
}

void TTimeline::RecordCurrentFrame() {
  if (!listExists_) return;
  const int index = currentKey_ - 1;
  if (index < 0 || index >= KeyCount()) return;
  TKeyFrame& key = keys_[static_cast<size_t>(index)];
  Modified = true;
  if (!recordCaption_.empty() && recordCaption_[0] == 'C') {
    key.Recorded = false;
    recordCaption_ = "Record";
    return;
  }
  const TCamera& c = project_->Camera;
  key.CamPos = c.CamPos;
  key.CamDir = c.CamDir;
  key.CamUp = c.CamUp;
  key.Recorded = true;
  if (barPosition_ < barMax_) SetBarPosition(barPosition_ + 1);
}

void TTimeline::SelectKey(int position) {
  position = std::clamp(position, 1, barMax_);
  if (position != barPosition_) {
    SetBarPosition(position);
  } else {
    KeyFrameScrollBarChange();
  }
}

void TTimeline::ScrollThumb(int position) { SetCurrentFrameText(std::to_string(position)); }

void TTimeline::SetCurrentFrameEdit(const std::string& text) {
  ParseField(text);  // a text that is no number changes nothing
  SetCurrentFrameText(text);
}

void TTimeline::SetNoOfKeyframeEdit(const std::string& text, UiCallbacks& callbacks) {
  const int n = ParseField(text);
  if (n > kMaxKeyFrames) {
    throw Error("A camera path holds at most " + std::to_string(kMaxKeyFrames) + " key frames.");
  }
  noOfKeyframeEdit_ = text;
  NoOfKeyFrameEditChange(callbacks);
}

void TTimeline::AddKey(UiCallbacks& callbacks) {
  SetNoOfKeyframeEdit(std::to_string(ParseField(noOfKeyframeEdit_) + 1), callbacks);
}

void TTimeline::DeleteKey(UiCallbacks& callbacks) {
  if (!listExists_ || !deleteEnabled_) return;
  if (!callbacks.AskYesNo("Delete current keyframe?")) return;
  if (!DeleteKeyAt(currentKey_)) return;
  SetNoOfKeyframeEdit(std::to_string(ParseField(noOfKeyframeEdit_) - 1), callbacks);
}

void TTimeline::RecallKeyFrame(int index) {
  if (index < 0 || index >= KeyCount()) return;
  const TKeyFrame& key = keys_[static_cast<size_t>(index)];
  if (!key.Recorded) return;
  project_->Camera = key.Camera();
  if (RedrawScene) RedrawScene();
}

void TTimeline::KeyFrameScrollBarChange() {
  currentKey_ = barPosition_;
  SetCurrentFrameText(std::to_string(currentKey_));
  RecallKeyFrame(currentKey_ - 1);
  const int index = currentKey_ - 1;
  const bool recorded =
      index >= 0 && index < KeyCount() && keys_[static_cast<size_t>(index)].Recorded;
  recordCaption_ = recorded ? "Clear" : "Record";
}

void TTimeline::CurrentFrameEditChange() {
  const int index = currentKey_ - 1;
  if (index >= 0 && index < KeyCount() && keys_[static_cast<size_t>(index)].Recorded) {
    project_->Camera = keys_[static_cast<size_t>(index)].Camera();
  }
  SyncKeyFrameBar();
}

void TTimeline::NoOfKeyFrameEditChange(UiCallbacks& callbacks) {
  const int n = ParseField(noOfKeyframeEdit_);
  if (n > KeyCount()) Modified = true;
  while (n > KeyCount()) AddKeyFrame();
  while (n < KeyCount()) {
    if (!callbacks.AskYesNo("Delete current keyframe?")) break;
    if (!DeleteKeyAt(currentKey_)) break;
  }
  SyncKeyFrameBar();
  deleteEnabled_ = noOfKeyframeEdit_ != "2";
  if (KeyCountChanged) KeyCountChanged();
}

void TTimeline::SyncKeyFrameBar() {
  int wanted = barPosition_;
  if (const auto v = ParseInt(TrimLeadingBlanks(currentFrameEdit_))) {
    wanted = static_cast<int>(std::clamp<int64_t>(*v, INT32_MIN, INT32_MAX));
  }
  SetBarPosition(wanted);
  barMax_ = std::max(1, KeyCount());
  if (barPosition_ > barMax_) SetBarPosition(barMax_);
}

void TTimeline::SetBarPosition(int position) {
  position = std::clamp(position, 1, barMax_);
  if (position == barPosition_) return;
  barPosition_ = position;
  KeyFrameScrollBarChange();
}

void TTimeline::SetCurrentFrameText(const std::string& text) {
  if (text == currentFrameEdit_) return;
  currentFrameEdit_ = text;
  CurrentFrameEditChange();
}

bool TTimeline::DeleteKeyAt(int number) {
  if (number < 1 || number > KeyCount()) return false;  // past the end: refused quietly
  keys_.erase(keys_.begin() + (number - 1));
  Modified = true;
  return true;
}

}  // namespace glkov
