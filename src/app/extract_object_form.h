#pragma once

// The object extraction window: extracts the bright regions of the current sub-scene's mask,
// lists them with check boxes and, on "OK", makes the ticked ones the foreground objects.

#include <QDialog>
#include <functional>

#include "core/objects/extraction.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QTreeWidget;
class QUndoStack;

namespace glkov {

struct TProject;

class TExtractObjectForm : public QDialog {
  Q_OBJECT

 public:
  // Extracts from project.IMask_r; accepting is pushed on undo when it is not null.
  TExtractObjectForm(TProject& project, QUndoStack* undo, QWidget* parent = nullptr);

  void ButtonLED1Click();     // "Extract"
  void ThresholdBarChange();  // re-quantizes the preview only
  void TrackBar1Change();
  void BitBtn2Click();  // "OK"
  // A click on the preview at (x, row) of the working image paints that region black.
  void BufIMGMouseDown(int x, int row);

  const TFastBMP& Working() const { return result_.Working; }
  // The threshold, minimum size and switches as set (and kept in the settings file).
  ExtractOptions Options() const;
  // Empties the list and the preview and disables "OK" (a project was closed).
  void ResetExtraction();
  // "Details >>": shows or hides the lower panel with the threshold and the preview.
  void UnfoldButton1Click(bool unfolded);

 signals:
  void StatusText(const QString& text);
  // "OK" made the ticked rows the objects: the main window rebuilds the tree, enables its
  // clear-objects and inspector buttons and shows the inspector.
  void ObjectsAccepted();
  // Undo or redo put back an object list: the windows that show the objects refresh.
  void ObjectsRestored();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowPreview();

  TProject& project_;
  QUndoStack* undo_;
  ExtractionResult result_;

  QLabel* label1_ = nullptr;
  QTreeWidget* listView1_ = nullptr;
  QCheckBox* noSmallCheckBox_ = nullptr;
  QSlider* trackBar1_ = nullptr;
  QCheckBox* overwritePosCB_ = nullptr;
  QSlider* thresholdBar_ = nullptr;
  QLabel* bufIMG_ = nullptr;
  QPushButton* extractButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* unfoldButton1_ = nullptr;
  QWidget* details_ = nullptr;
};

// Empties the objects of the working copy (the main window's clear-objects button) and stores it
// into its sub-scene, through undo when it is not null; refresh runs after an undo or redo.
void ClearAllObjects(TProject& project, QUndoStack* undo, std::function<void()> refresh = nullptr);

}  // namespace glkov
