#include "app/inspector_form.h"
#include "app/applied_command.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/error.h"
#include "core/model/project.h"
#include "core/objects/inspector_model.h"
#include "core/ui_callbacks.h"

namespace glkov {
namespace {

constexpr int kDataRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;

// The tree's pictures: image 1 a plane of the box, image 4 a foreground object.
QIcon NodeIcon(InspectorNode::Kind kind) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (kind == InspectorNode::Plane) {
    p.setPen(QPen(QColor(160, 0, 0), 1));
    p.setBrush(QColor(250, 210, 200));
    p.drawPolygon(QPolygon({QPoint(1, 14), QPoint(5, 9), QPoint(14, 9), QPoint(14, 14)}));
    p.drawRect(5, 2, 9, 7);
  } else if (kind == InspectorNode::Object) {
    p.setPen(QPen(QColor(0, 140, 0), 1.5));
    p.setBrush(Qt::white);
    p.drawRect(3, 2, 10, 12);
  }
  return QIcon(pm);
}

// An object's name, box and plane before and after an edit in the inspector.
class ObjectEditCommand : public app::TAppliedCommand {
 public:
  ObjectEditCommand(const QString& text, TProject& project, int index, TfgObj before, TfgObj after,
                    std::function<void()> refresh)
      : app::TAppliedCommand(text),
        project_(project),
        index_(index),
        before_(std::move(before)),
        after_(std::move(after)),
        refresh_(std::move(refresh)) {}
  void undo() override { Apply(before_); }
  void Redo() override { Apply(after_); }

 private:
  void Apply(const TfgObj& s) {
    if (index_ >= project_.fgObjCount()) return;
    TfgObj& o = project_.fgObjs[index_];
    o.Name = s.Name;
    o.X1 = s.X1;
    o.Y1 = s.Y1;
    o.X2 = s.X2;
    o.Y2 = s.Y2;
    o.Parent = s.Parent;
    StoreWorkingRegion(project_);
    if (refresh_) refresh_();
  }
  TProject& project_;
  int index_;
  TfgObj before_, after_;
  std::function<void()> refresh_;
};

}  // namespace

TInspectorForm::TInspectorForm(TProject& project, QUndoStack* undo, UiCallbacks& callbacks,
                               QWidget* parent)
    : QWidget(parent, Qt::Tool), project_(project), undo_(undo), callbacks_(callbacks) {
  setObjectName("InspectorForm");
  setWindowTitle("Object Inspector");
  treeView1_ = new QTreeWidget(this);
  treeView1_->setObjectName("TreeView1");
  treeView1_->setHeaderHidden(true);
  infoGrid_ = new QTableWidget(5, 2, this);
  infoGrid_->setObjectName("InfoGrid");
  infoGrid_->horizontalHeader()->hide();
  infoGrid_->verticalHeader()->hide();
  infoGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  parentComboBox_ = new QComboBox(this);
  parentComboBox_->setObjectName("ParentComboBox");
  for (const char* item : ParentItems) parentComboBox_->addItem(item);
  for (int r = 0; r < 5; ++r) {
    auto* label = new QTableWidgetItem(GridLabels[r]);
    label->setFlags(Qt::ItemIsEnabled);
    infoGrid_->setItem(r, 0, label);
    infoGrid_->setItem(r, 1, new QTableWidgetItem);
    infoGrid_->setRowHeight(r, std::max(21, parentComboBox_->sizeHint().height()));
  }
  infoGrid_->setCellWidget(4, 1, parentComboBox_);
  infoGrid_->setFixedHeight(5 * infoGrid_->rowHeight(0) + 2 * infoGrid_->frameWidth());
  button1_ = new QPushButton("Show Texture...", this);
  button1_->setObjectName("Button1");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(treeView1_, 1);
  layout->addWidget(button1_);
  layout->addWidget(infoGrid_);

  connect(treeView1_, &QTreeWidget::itemSelectionChanged, this, &TInspectorForm::TreeView1Change);
  connect(treeView1_, &QTreeWidget::itemChanged, this,
          [this](QTreeWidgetItem* item, int) { TreeView1Edited(item); });
  connect(infoGrid_, &QTableWidget::cellChanged, this, &TInspectorForm::InfoGridSetEditText);
  connect(parentComboBox_, &QComboBox::activated, this, &TInspectorForm::ParentComboBoxChange);
  connect(button1_, &QPushButton::clicked, this, &TInspectorForm::TreeView1Change);
  resize(260, 420);
  RebuildSceneTree();
}

void TInspectorForm::RebuildSceneTree() { Rebuild(false); }

void TInspectorForm::ClearSceneTree() {
  filling_ = true;
  treeView1_->clear();
  auto* root = new QTreeWidgetItem(treeView1_);
  root->setText(0, "No Scene");
  root->setData(0, kDataRole, 0);
  root->setData(0, kKindRole, static_cast<int>(InspectorNode::Group));
  filling_ = false;
  selected_ = -1;
  FillGrid();
}

void TInspectorForm::RebuildObjectTree() { Rebuild(true); }

void TInspectorForm::Rebuild(bool withObjects) {
  filling_ = true;
  treeView1_->clear();
  std::vector<QTreeWidgetItem*> parents;
  QTreeWidgetItem* last = nullptr;
  for (const InspectorNode& n : SceneTreeNodes(project_, withObjects)) {
    QTreeWidgetItem* item =
        n.Depth == 0 ? new QTreeWidgetItem(treeView1_) : new QTreeWidgetItem(parents[n.Depth - 1]);
    item->setText(0, QString::fromStdString(n.Text));
    item->setData(0, kDataRole, n.Data);
    item->setData(0, kKindRole, static_cast<int>(n.NodeKind));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (n.NodeKind != InspectorNode::Group) item->setIcon(0, NodeIcon(n.NodeKind));
    parents.resize(n.Depth);
    parents.push_back(item);
    if (n.NodeKind == InspectorNode::Object) last = item;
  }
  treeView1_->expandAll();
  filling_ = false;
  selected_ = -1;
  rebuilding_ = true;
  if (last)
    treeView1_->setCurrentItem(last);
  else
    FillGrid();
  rebuilding_ = false;
}

void TInspectorForm::TreeView1Change() {
  if (filling_) return;
  const QList<QTreeWidgetItem*> sel = treeView1_->selectedItems();
  selected_ = -1;
  if (sel.isEmpty()) {
    FillGrid();
    return;
  }
  const int data = sel[0]->data(0, kDataRole).toInt();
  const int kind = sel[0]->data(0, kKindRole).toInt();
  if (kind == InspectorNode::Object && data - 1 < project_.fgObjCount()) selected_ = data - 1;
  FillGrid();
  if (kind == InspectorNode::Group)
    emit HideTexture();
  else if (kind == InspectorNode::Plane)
    emit ShowPlaneTexture(data);
  else if (selected_ >= 0)
    emit ShowObjectTexture(selected_);
}

void TInspectorForm::FillGrid() {
  filling_ = true;
  const bool on = selected_ >= 0 && selected_ < project_.fgObjCount();
  const auto values =
      on ? ObjectGridValues(project_.fgObjs[selected_]) : std::array<std::string, 5>{};
  for (int r = 0; r < 4; ++r) infoGrid_->item(r, 1)->setText(QString::fromStdString(values[r]));
  parentComboBox_->setCurrentIndex(on ? project_.fgObjs[selected_].Parent - 1 : -1);
  parentComboBox_->setVisible(on);
  infoGrid_->setEnabled(on);
  filling_ = false;
}

void TInspectorForm::PushEdit(int index, const QString& text, const std::function<void()>& edit) {
  const TfgObj before = project_.fgObjs[index];
  try {
    edit();
  } catch (const Error& e) {
    callbacks_.Warning(e.what());
    FillGrid();  // back to the value the object kept
    return;
  }
  if (undo_) {
    const QPointer<TInspectorForm> self(this);
    undo_->push(
        new ObjectEditCommand(text, project_, index, before, project_.fgObjs[index], [self, index] {
          if (!self) return;
          self->RebuildObjectTree();
          emit self->ObjectChanged(index);
        }));
  }
  emit ObjectChanged(index);
}

void TInspectorForm::InfoGridSetEditText(int row, int column) {
  if (filling_ || column != 1 || row > 3 || selected_ < 0) return;
  const int index = selected_;
  const std::string text = infoGrid_->item(row, 1)->text().toStdString();
  PushEdit(index, tr("Change %1").arg(GridLabels[row]),
           [&] { SetObjectGridValue(project_, index, row, text); });
}

void TInspectorForm::ParentComboBoxChange(int item) {
  if (filling_ || selected_ < 0 || item < 0) return;
  const int index = selected_;
  PushEdit(index, tr("Change Parent"), [&] { SetObjectParent(project_, index, item + 1); });
}

void TInspectorForm::TreeView1Edited(QTreeWidgetItem* item) {
  if (filling_ || item->data(0, kKindRole).toInt() != InspectorNode::Object) return;
  const int index = item->data(0, kDataRole).toInt() - 1;
  if (index < 0 || index >= project_.fgObjCount()) return;
  const std::string name = item->text(0).toStdString();
  if (name == project_.fgObjs[index].Name) return;
  PushEdit(index, tr("Rename object"), [&] { SetObjectName(project_, index, name); });
}

}  // namespace glkov
