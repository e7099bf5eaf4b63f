#include "app/extract_object_form.h"
#include "app/applied_command.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QTreeWidget>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include "core/model/project.h"

namespace glkov {
namespace {

// The object list, "extracted" flag and label image before and after an edit of the objects.
struct ObjectState {
  std::vector<TfgObj> fgObjs;
  bool ObjectsExtracted = false;
  TFastBMP LabelImage;
};

ObjectState Capture(const TProject& p) { return {p.fgObjs, p.ObjectsExtracted, p.LabelImage}; }

class ObjectsCommand : public app::TAppliedCommand {
 public:
  ObjectsCommand(const QString& text, TProject& project, ObjectState before, ObjectState after,
                 std::function<void()> refresh)
      : app::TAppliedCommand(text),
        project_(project),
        before_(std::move(before)),
        after_(std::move(after)),
        refresh_(std::move(refresh)) {}
  void undo() override { Apply(before_); }
  void Redo() override { Apply(after_); }

 private:
  void Apply(const ObjectState& s) {
    project_.fgObjs = s.fgObjs;
    project_.ObjectsExtracted = s.ObjectsExtracted;
    project_.LabelImage = s.LabelImage;
    project_.Modified = true;
    StoreWorkingRegion(project_);
    if (refresh_) refresh_();
  }
  TProject& project_;
  ObjectState before_, after_;
  std::function<void()> refresh_;
};

QSlider* Slider(QWidget* parent, const char* name, int lo, int hi, int tick, int value) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(name);
  s->setRange(lo, hi);
  s->setTickInterval(tick);
  s->setTickPosition(QSlider::TicksBelow);
  s->setValue(value);
  return s;
}

}  // namespace

TExtractObjectForm::TExtractObjectForm(TProject& project, QUndoStack* undo, QWidget* parent)
    : QDialog(parent), project_(project), undo_(undo) {
  setObjectName("ExtractObjectForm");
  setWindowTitle("Object Extraction");
  setModal(false);

  label1_ = new QLabel("0 Object(s) Extracted.", this);
  label1_->setObjectName("Label1");
  listView1_ = new QTreeWidget(this);
  listView1_->setObjectName("ListView1");
  listView1_->setRootIsDecorated(false);
  listView1_->setHeaderLabels({"#", "Left", "Top", "Right", "Bottom"});
  const int widths[] = {48, 54, 54, 54, 54};
  for (int i = 0; i < 5; ++i) listView1_->setColumnWidth(i, widths[i]);
  listView1_->setMinimumWidth(48 + 4 * 54 + 24);
  noSmallCheckBox_ = new QCheckBox("Don't Pick Objects Smaller then 16 x 16.", this);
  noSmallCheckBox_->setObjectName("NoSmallCheckBox");
  noSmallCheckBox_->setChecked(true);
  trackBar1_ = Slider(this, "TrackBar1", 1, 60, 5, 16);
  overwritePosCB_ = new QCheckBox("Overwrite Old Object Positions", this);
  overwritePosCB_->setObjectName("OverwritePosCB");
  overwritePosCB_->setChecked(true);
  thresholdBar_ = Slider(this, "ThresholdBar", 0, 255, 28, 128);
  auto* thresholdLabel = new QLabel("Quantizing Threshold", this);
  extractButton_ = new QPushButton("Extract", this);
  extractButton_->setObjectName("ButtonLED1");
  extractButton_->setDefault(true);
  okButton_ = new QPushButton("OK", this);
  okButton_->setObjectName("OKButton");
  okButton_->setEnabled(false);
  cancelButton_ = new QPushButton("Cancel", this);
  cancelButton_->setObjectName("CancelButton");
  bufIMG_ = new QLabel;
  bufIMG_->setObjectName("BufIMG");
  bufIMG_->installEventFilter(this);
  unfoldButton1_ = new QPushButton("Details >>", this);
  unfoldButton1_->setObjectName("UnfoldButton1");
  unfoldButton1_->setCheckable(true);
  unfoldButton1_->setChecked(true);
  details_ = new QWidget(this);
  details_->setObjectName("DetailsPanel");
  auto* scroll = new QScrollArea(details_);
  scroll->setObjectName("ScrollBox1");
  scroll->setWidget(bufIMG_);
  scroll->setMinimumHeight(200);

  auto* left = new QVBoxLayout;
  left->addWidget(label1_);
  left->addWidget(listView1_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(noSmallCheckBox_);
  right->addWidget(trackBar1_);
  right->addWidget(overwritePosCB_);
  right->addStretch(1);
  right->addWidget(extractButton_);
  right->addWidget(okButton_);
  right->addWidget(cancelButton_);
  right->addWidget(unfoldButton1_);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 1);
  top->addLayout(right);
  auto* detailsLayout = new QVBoxLayout(details_);
  detailsLayout->setContentsMargins(0, 0, 0, 0);
  thresholdLabel->setParent(details_);
  thresholdBar_->setParent(details_);
  detailsLayout->addWidget(thresholdLabel);
  detailsLayout->addWidget(thresholdBar_);
  detailsLayout->addWidget(scroll, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(details_, 1);

  connect(extractButton_, &QPushButton::clicked, this, &TExtractObjectForm::ButtonLED1Click);
  connect(okButton_, &QPushButton::clicked, this, &TExtractObjectForm::BitBtn2Click);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(thresholdBar_, &QSlider::valueChanged, this, &TExtractObjectForm::ThresholdBarChange);
  connect(trackBar1_, &QSlider::valueChanged, this, &TExtractObjectForm::TrackBar1Change);
  connect(unfoldButton1_, &QPushButton::toggled, this, &TExtractObjectForm::UnfoldButton1Click);
  resize(460, 560);
}

void TExtractObjectForm::UnfoldButton1Click(bool unfolded) {
  if (details_->isVisibleTo(this) == unfolded) return;
  // The window (or the tool window holding this one) grows or shrinks by 350 pixels.
  constexpr int kDetailsHeight = 350;
  QWidget* w = window();
  details_->setVisible(unfolded);
  if (unfolded) {
    w->resize(w->width(), w->height() + kDetailsHeight);
  } else {
    if (w->layout()) w->layout()->activate();
    w->resize(w->width(), std::max(w->minimumSizeHint().height(), w->height() - kDetailsHeight));
  }
  if (unfoldButton1_->isChecked() != unfolded) unfoldButton1_->setChecked(unfolded);
}

void TExtractObjectForm::ResetExtraction() {
  result_ = ExtractionResult();
  listView1_->clear();
  label1_->setText("0 Object(s) Extracted.");
  bufIMG_->clear();
  okButton_->setEnabled(false);
}

void TExtractObjectForm::TrackBar1Change() {
  const int v = trackBar1_->value();
  noSmallCheckBox_->setText(QString("Don't Pick Objects Smaller then %1 x %2").arg(v).arg(v));
}

void TExtractObjectForm::ThresholdBarChange() {
  if (project_.IMask_r.Empty()) return;
  QuantizeMask(project_.IMask_r, thresholdBar_->value(), result_.Working);
  ShowPreview();
}

ExtractOptions TExtractObjectForm::Options() const {
  ExtractOptions options;
  options.Threshold = thresholdBar_->value();
  options.NoSmall = noSmallCheckBox_->isChecked();
  options.MinSize = trackBar1_->value();
  options.OverwritePositions = overwritePosCB_->isChecked();
  return options;
}

void TExtractObjectForm::ButtonLED1Click() {
  emit StatusText("Extracting objects...");
  QCoreApplication::processEvents();
  const ExtractOptions options = Options();
  if (project_.IMask_r.Empty()) {
    result_ = ExtractionResult();
  } else {
    result_ = ExtractObjects(project_.IMask_r, options, project_.PicHeight);
  }
  listView1_->clear();
  for (const ExtractedRow& row : result_.Rows) {
    auto* item = new QTreeWidgetItem(listView1_);
    const int values[] = {row.Number, row.X1, row.Y1, row.X2, row.Y2};
    for (int c = 0; c < 5; ++c) item->setText(c, QString::number(values[c]));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
  }
  ShowPreview();
  label1_->setText(QString("%1 Object(s) Extracted.").arg(result_.Rows.size()));
  emit StatusText(QString());
  okButton_->setEnabled(true);
  okButton_->setFocus();
}

void TExtractObjectForm::BitBtn2Click() {
  for (int i = 0; i < listView1_->topLevelItemCount() && i < static_cast<int>(result_.Rows.size());
       ++i)
    result_.Rows[i].Checked = listView1_->topLevelItem(i)->checkState(0) == Qt::Checked;
  ObjectState before = Capture(project_);
  AcceptExtraction(project_, result_, overwritePosCB_->isChecked());
  if (undo_) {
    const QPointer<TExtractObjectForm> self(this);
    undo_->push(new ObjectsCommand(tr("Extract objects"), project_, std::move(before),
                                   Capture(project_), [self] {
                                     if (self) emit self->ObjectsRestored();
                                   }));
  }
  emit ObjectsAccepted();
  accept();
}

void TExtractObjectForm::BufIMGMouseDown(int x, int row) {
  if (result_.Working.Empty()) return;
  struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  } wait;
  ClickFill(result_.Working, x, row);
  ShowPreview();
}

void TExtractObjectForm::ShowPreview() {
  const TFastBMP& w = result_.Working;
  if (w.Empty()) {
    bufIMG_->clear();
    return;
  }
  const QImage img(w.Bits(), w.Width(), w.Height(), static_cast<qsizetype>(w.RowStride()),
                   QImage::Format_BGR888);
  bufIMG_->setPixmap(QPixmap::fromImage(img.copy()));
  bufIMG_->resize(w.Width(), w.Height());
}

bool TExtractObjectForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bufIMG_ && event->type() == QEvent::MouseButtonPress) {
    const QPoint p = static_cast<QMouseEvent*>(event)->position().toPoint();
    BufIMGMouseDown(p.x(), p.y());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void ClearAllObjects(TProject& project, QUndoStack* undo, std::function<void()> refresh) {
  ObjectState before = Capture(project);
  if (!project.fgObjs.empty()) project.Modified = true;
  project.fgObjs.clear();
  StoreWorkingRegion(project);
  if (undo)
    undo->push(new ObjectsCommand(QObject::tr("Clear all objects"), project, std::move(before),
                                  Capture(project), std::move(refresh)));
}

}  // namespace glkov
