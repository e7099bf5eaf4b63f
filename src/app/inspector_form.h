#pragma once

// The object inspector: the current sub-scene's planes and objects as a tree, and the selected
// object's box and plane in a grid.

#include <QWidget>
#include <functional>

class QComboBox;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QUndoStack;

namespace glkov {

struct TProject;
class UiCallbacks;

class TInspectorForm : public QWidget {
  Q_OBJECT

 public:
  // Edits of names, boxes and parents are pushed on undo when it is not null; callbacks shows
  // the message of a refused value.
  TInspectorForm(TProject& project, QUndoStack* undo, UiCallbacks& callbacks,
                 QWidget* parent = nullptr);

  // The planes only (after a change of sub-scene or a cleared object list).
  void RebuildSceneTree();
  // One root "No Scene" and an empty grid (no project).
  void ClearSceneTree();
  // The planes and the objects; the last object is selected.
  void RebuildObjectTree();
  // A rebuild is selecting the last object (not the user): the texture viewer is not popped up.
  bool Rebuilding() const { return rebuilding_; }
  // The object shown in the grid (index into fgObjs), or -1.
  int SelectedObject() const { return selected_; }

 signals:
  // A plane (1..5) or object (index) was selected: the texture viewer shows it.
  void ShowPlaneTexture(int plane);
  void ShowObjectTexture(int index);
  void HideTexture();
  // An object's box, name or plane changed: the mesh view redraws its boxes.
  void ObjectChanged(int index);

 private:
  void Rebuild(bool withObjects);
  void TreeView1Change();
  void TreeView1Edited(QTreeWidgetItem* item);
  void InfoGridSetEditText(int row, int column);
  void ParentComboBoxChange(int item);
  void FillGrid();
  void PushEdit(int index, const QString& text, const std::function<void()>& edit);

  TProject& project_;
  QUndoStack* undo_;
  UiCallbacks& callbacks_;
  QTreeWidget* treeView1_ = nullptr;
  QTableWidget* infoGrid_ = nullptr;
  QComboBox* parentComboBox_ = nullptr;
  QPushButton* button1_ = nullptr;
  int selected_ = -1;
  bool filling_ = false;
  bool rebuilding_ = false;
};

}  // namespace glkov
