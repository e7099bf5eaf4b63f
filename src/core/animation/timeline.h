#pragma once

// The key-frame list of one camera path and the editing rules of the timeline window, without
// the window: the window shows the texts and numbers held here and turns clicks into calls.

#include <functional>
#include <string>
#include <vector>

#include "core/model/types.h"
#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;

// One key of a camera path: a recorded camera (scene units) and whether it was recorded.
struct TKeyFrame {
  bool Recorded = false;
  Vec3 CamPos;
  Vec3 CamDir;
  Vec3 CamUp;

  TCamera Camera() const { return {CamPos, CamDir, CamUp}; }
  friend bool operator==(const TKeyFrame&, const TKeyFrame&) = default;
};

// Largest number of keys a path may hold (a typed or read count above it is refused).
inline constexpr int kMaxKeyFrames = 1'000'000;

// The timeline of a project: the key list, the selected key and the rates of the path. It reads
// and writes the project's live camera (Camera) and its CameraPathFile.
class TTimeline {
 public:
  explicit TTimeline(TProject& project);

  TProject& Project() { return *project_; }
  const TProject& Project() const { return *project_; }

  // --- rates (the spin edits; no limits) ---
  int FPS = 20;                  // movie frames per second
  int FPK = 60;                  // frames from one key to the next
  int Trans = 40;                // frames of a transition between two sub-scenes
  std::string MFRFEdit = "1.0";  // master frame rate factor as typed
  // The keys or the rates were edited since the path was started, loaded or saved (the window
  // sets it for the rates it edits directly).
  bool Modified = false;

  // The master frame rate factor as the export reads it: 1.0 when the text is not a number.
  double MasterFrameRateFactor() const;

  // --- what the window shows ---
  const std::vector<TKeyFrame>& KeyFrames() const { return keys_; }
  std::vector<TKeyFrame>& KeyFrames() { return keys_; }
  bool ListExists() const { return listExists_; }
  int KeyCount() const { return static_cast<int>(keys_.size()); }
  int CurrentKey() const { return currentKey_; }  // 1-based number of the selected key
  const std::string& Caption() const { return caption_; }
  const std::string& RecordCaption() const { return recordCaption_; }  // "Record" or "Clear"
  const std::string& CurrentFrameEdit() const { return currentFrameEdit_; }
  const std::string& NoOfKeyframeEdit() const { return noOfKeyframeEdit_; }
  int ScrollBarPosition() const { return barPosition_; }
  int ScrollBarMax() const { return barMax_; }
  bool DeleteButtonEnabled() const { return deleteEnabled_; }

  // Asked for a new frame after a recalled key moved the camera.
  std::function<void()> RedrawScene;
  // Told after every change of the number of keys (the main window re-evaluates its commands).
  std::function<void()> KeyCountChanged;

  // --- operations ---
  // Only when no list exists: a list of two new keys, key 1 selected.
  void CreateKeyFrames();
  void FreeKeyFrames();
  // Appends a key that holds a copy of the live camera and is not recorded.
  void AddKeyFrame();
  // "New Animation Path": two new keys and the caption "Animation Path - [Untitled]".
  void NewPath();
  // CameraPathFile := name; caption "Animation Path - [name]" ("Untitled" for an empty name).
  void SetPathCaption(const std::string& name);
  // The record button: clears the selected key while it reads "Clear", else records the live
  // camera into it and moves on to the next key.
  void RecordCurrentFrame();
  // The scroll bar moved to a position (clamped to 1 .. number of keys).
  void SelectKey(int position);
  // The scroll bar's thumb is dragged to a position.
  void ScrollThumb(int position);
  // The key-number field was changed to text. Throws glkov::Error when it is not a whole
  // number; the list is left as it was.
  void SetCurrentFrameEdit(const std::string& text);
  // The key-count field was changed to text: appends keys, or asks "Delete current keyframe?"
  // once per key too many. Throws glkov::Error when it is not a whole number.
  void SetNoOfKeyframeEdit(const std::string& text, UiCallbacks& callbacks = DefaultCallbacks());
  // One key more at the end.
  void AddKey(UiCallbacks& callbacks = DefaultCallbacks());
  // Asks "Delete current keyframe?" and on Yes deletes the selected key.
  void DeleteKey(UiCallbacks& callbacks = DefaultCallbacks());
  // Copies key index (0-based) into the live camera and asks for a redraw, if it is recorded.
  void RecallKeyFrame(int index);

 private:
  void KeyFrameScrollBarChange();
  void CurrentFrameEditChange();
  void NoOfKeyFrameEditChange(UiCallbacks& callbacks);
  void SyncKeyFrameBar();
  void SetBarPosition(int position);
  void SetCurrentFrameText(const std::string& text);
  bool DeleteKeyAt(int number);

  TProject* project_;
  std::vector<TKeyFrame> keys_;
  bool listExists_ = false;
  int currentKey_ = 1;
  std::string caption_ = "Animation Path";
  std::string recordCaption_ = "Record";
  std::string currentFrameEdit_ = "1";
  std::string noOfKeyframeEdit_ = "2";
  int barPosition_ = 1;
  int barMax_ = 2;
  bool deleteEnabled_ = false;
};

}  // namespace glkov
