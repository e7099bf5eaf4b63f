#include "app/mask_editor.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>

#include "app/applied_command.h"
#include "app/picture_view.h"
#include "core/error.h"
#include "core/model/mask_document.h"
#include "core/model/project.h"
#include "core/ui_callbacks.h"

namespace glkov::app {

using vision::MaskPoint;
using vision::MaskRect;

namespace {

MaskRect WholeOf(const TFastBMP& picture) {
  return MaskRect{0, 0, picture.Width() - 1, picture.Height() - 1};
}

// The pixels of rect (inside both pictures of the same size) copied from source to target.
void CopyRect(const TFastBMP& source, TFastBMP& target, const MaskRect& rect) {
  for (int y = rect.Top; y <= rect.Bottom; ++y) {
    std::memcpy(target.Pixel(rect.Left, y), source.Pixel(rect.Left, y), 3 * size_t(rect.Width()));
  }
}

// The pixels of rect as a picture of their own.
TFastBMP CutRect(const TFastBMP& source, const MaskRect& rect) {
  TFastBMP out;
  source.CropInto(out, rect.Left, rect.Top, rect.Right, rect.Bottom);
  return out;
}

void PasteRect(const TFastBMP& pixels, TFastBMP& target, const MaskRect& rect) {
  for (int y = 0; y < rect.Height(); ++y) {
    std::memcpy(target.Pixel(rect.Left, rect.Top + y), pixels.Row(y), 3 * size_t(rect.Width()));
  }
}

// What the worker thread and the window share: the percentage done and the user's cancel.
class TToolCallbacks : public UiCallbacks {
 public:
  void Progress(const std::string& /*stage*/, int percent) override { Percent = percent; }
  bool AbortRequested() override { return Cancel; }
  std::atomic<int> Percent{0};
  std::atomic<bool> Cancel{false};
};

// One edit of a rectangle of the mask: its pixels before and after.
class TMaskPixelsCommand : public TAppliedCommand {
 public:
  TMaskPixelsCommand(TMaskEditor* editor, const QString& text, MaskRect rect, TFastBMP before,
                     TFastBMP after)
      : TAppliedCommand(text),
        editor_(editor),
        rect_(rect),
        before_(std::move(before)),
        after_(std::move(after)) {}
  void undo() override { editor_->ApplyPixels(rect_, before_); }

 protected:
  void Redo() override { editor_->ApplyPixels(rect_, after_); }

 private:
  TMaskEditor* editor_;
  MaskRect rect_;
  TFastBMP before_, after_;
};

// An edit that replaces the whole mask (a new mask, one stretched to the original's size).
class TMaskWholeCommand : public TAppliedCommand {
 public:
  TMaskWholeCommand(TMaskEditor* editor, const QString& text, TFastBMP before,
                    std::string beforeName, TFastBMP after, std::string afterName)
      : TAppliedCommand(text),
        editor_(editor),
        before_(std::move(before)),
        after_(std::move(after)),
        beforeName_(std::move(beforeName)),
        afterName_(std::move(afterName)) {}
  void undo() override { editor_->ApplyWholeMask(before_, beforeName_); }

 protected:
  void Redo() override { editor_->ApplyWholeMask(after_, afterName_); }

 private:
  TMaskEditor* editor_;
  TFastBMP before_, after_;
  std::string beforeName_, afterName_;
};

}  // namespace

// The picture area of the editor: a picture view (its zoom, pan and view<->picture mapping)
// that paints the editor's view of the mask, redrawn piecewise as the tools change it, and turns
// mouse gestures into the editor's tools.
class TMaskCanvas : public TPictureView {
 public:
  TMaskCanvas(TMaskEditor* editor, QWidget* parent)
      : TPictureView("MaskCanvas", parent), editor_(editor) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
  }

  MaskPoint ToPicture(QPointF p) const {
    const QPointF q = ViewToImage(p);
    return {int(std::floor(q.x())), int(std::floor(q.y()))};
  }
  QPointF ToView(MaskPoint p) const { return ImageToView(QPointF(p.X + 0.5, p.Y + 0.5)); }
  QRect ViewRect(const MaskRect& r) const {
    const QPointF a = ImageToView(QPointF(r.Left, r.Top));
    const QPointF b = ImageToView(QPointF(r.Right + 1, r.Bottom + 1));
    return QRectF(a, b).toAlignedRect().adjusted(-2, -2, 2, 2);
  }
  // Display pixels per picture pixel, zoom included.
  double Scale() const { return FitScale() * Zoom(); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(64, 64, 64));
    const TFastBMP& v = editor_->view_;
    if (v.Empty()) return;
    // The view's own pixels, no copy: Qt reads the 24-bit rows in place; nearest pixels, so that
    // a zoomed mask shows its pixels as they are.
    const QImage image(v.Bits(), v.Width(), v.Height(), qsizetype(v.RowStride()),
                       QImage::Format_BGR888);
    const double s = Scale();
    painter.drawImage(QRectF(ImageToView(QPointF(0, 0)), QSizeF(v.Width() * s, v.Height() * s)),
                      image);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto& path = editor_->lassoPath_;
    if (!path.empty()) {
      QPainterPath line(ToView(path.front()));
      for (const MaskPoint& p : path) line.lineTo(ToView(p));
      line.lineTo(mouse_);
      painter.setPen(QPen(Qt::yellow, 1.5));
      painter.drawPath(line);
    }
    if (boxing_) {
      painter.setPen(QPen(Qt::cyan, 1.5, Qt::DashLine));
      painter.drawRect(QRectF(ToView(press_), mouse_).normalized());
    }
    if (!refine_.empty()) {
      painter.setPen(QPen(refineObject_ ? Qt::white : Qt::black, editor_->BrushSize() * s,
                          Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPainterPath line(ToView(refine_.front()));
      for (const MaskPoint& p : refine_) line.lineTo(ToView(p));
      painter.drawPath(line);
    }
    const TMaskEditor::Tool tool = editor_->CurrentTool();
    if (underMouse() && (tool == TMaskEditor::Tool::Brush || tool == TMaskEditor::Tool::Eraser)) {
      const double r = editor_->BrushSize() * s / 2;
      painter.setPen(QPen(Qt::white, 1));
      painter.drawEllipse(mouse_, r, r);
      painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
      painter.drawEllipse(mouse_, r, r);
    }
  }

  void mousePressEvent(QMouseEvent* e) override {
    mouse_ = e->position();
    if (PanPress(e)) return;
    const MaskPoint p = ToPicture(mouse_);
    press_ = p;
    last_ = p;
    switch (editor_->CurrentTool()) {
      case TMaskEditor::Tool::Brush:
      case TMaskEditor::Tool::Eraser:
        erase_ =
            editor_->CurrentTool() == TMaskEditor::Tool::Eraser || e->button() == Qt::RightButton;
        stroking_ = true;
        editor_->StrokeSegment(p, p, erase_);
        break;
      case TMaskEditor::Tool::Lasso:
        if (e->button() == Qt::LeftButton)
          editor_->AddLassoPoint(p, e->modifiers().testFlag(Qt::AltModifier));
        update();
        break;
      case TMaskEditor::Tool::SelectObject:
        if (editor_->selection_ &&
            (e->modifiers().testFlag(Qt::ShiftModifier) || e->button() == Qt::RightButton)) {
          refineObject_ = e->button() == Qt::LeftButton;
          refine_ = {p};
        } else if (e->button() == Qt::LeftButton) {
          boxing_ = true;
        }
        break;
    }
  }

  void mouseMoveEvent(QMouseEvent* e) override {
    const QPointF old = mouse_;
    mouse_ = e->position();
    if (PanMove(e)) return;
    const MaskPoint p = ToPicture(mouse_);
    if (stroking_ && !(p == last_)) {
      editor_->StrokeSegment(last_, p, erase_);
      last_ = p;
    } else if (!refine_.empty() && !(p == refine_.back())) {
      refine_.push_back(p);
    }
    // Only the rectangle around the cursor's marks needs painting again, which keeps moves cheap
    // on large pictures.
    const int r = int(editor_->BrushSize() * Scale() / 2) + 4;
    if (boxing_ || !editor_->lassoPath_.empty() || !refine_.empty()) {
      update();
    } else {
      update(QRect(old.toPoint(), mouse_.toPoint()).normalized().adjusted(-r, -r, r, r));
    }
  }

  void mouseReleaseEvent(QMouseEvent* e) override {
    mouse_ = e->position();
    if (PanRelease(e)) return;
    const MaskPoint p = ToPicture(mouse_);
    if (stroking_) {
      stroking_ = false;
      editor_->EndStroke();
    } else if (boxing_) {
      boxing_ = false;
      update();
      editor_->SelectObject(MaskRect{std::min(press_.X, p.X), std::min(press_.Y, p.Y),
                                     std::max(press_.X, p.X), std::max(press_.Y, p.Y)});
    } else if (!refine_.empty()) {
      std::vector<MaskPoint> stroke;
      stroke.swap(refine_);
      update();
      editor_->RefineSelection(stroke, refineObject_);
    }
  }

  void mouseDoubleClickEvent(QMouseEvent* e) override {
    if (editor_->CurrentTool() == TMaskEditor::Tool::Lasso && e->button() == Qt::LeftButton) {
      editor_->CloseLasso(e->modifiers().testFlag(Qt::AltModifier));
      update();
    }
  }

  void leaveEvent(QEvent*) override { update(); }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape && !editor_->lassoPath_.empty()) {
      editor_->lassoClicks_.clear();
      editor_->lassoPath_.clear();
      update();
      return;
    }
    TPictureView::keyPressEvent(e);  // Space pans; other keys go on to the editor
  }

 private:
  TMaskEditor* editor_;
  QPointF mouse_;
  bool stroking_ = false, erase_ = false, boxing_ = false;
  bool refineObject_ = true;
  MaskPoint press_, last_;
  std::vector<MaskPoint> refine_;
};

TMaskEditor::TMaskEditor(TProject& project, QUndoStack* undo, QWidget* parent)
    : QWidget(parent), project_(project), undo_(undo) {
  setObjectName("MaskEditor");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  bar_ = new QToolBar(this);
  bar_->setObjectName("MaskToolBar");
  bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  layout->addWidget(bar_);
  host_ = new QWidget(this);
  host_->setObjectName("MaskCanvasArea");
  host_->setAutoFillBackground(true);
  QPalette dark = host_->palette();
  dark.setColor(QPalette::Window, QColor(64, 64, 64));
  host_->setPalette(dark);
  host_->installEventFilter(this);
  layout->addWidget(host_, 1);
  canvas_ = new TMaskCanvas(this, host_);

  tools_ = new QActionGroup(this);
  auto tool = [this](const char* name, const QString& text, const QString& tip, Tool t,
                     const QKeySequence& key) {
    QAction* a = bar_->addAction(text);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setToolTip(tip + " (" + key.toString() + ")");
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
    tools_->addAction(a);
    connect(a, &QAction::triggered, this, [this, t] { SetTool(t); });
    return a;
  };
  tool("BrushTool", "Brush", "Paint the object white; the right button paints black", Tool::Brush,
       QKeySequence(Qt::Key_B))
      ->setChecked(true);
  tool("EraserTool", "Eraser", "Paint black (not object)", Tool::Eraser, QKeySequence(Qt::Key_E));
  tool("LassoTool", "Lasso",
       "Click along an outline, which snaps to the picture's edges; double click closes and "
       "fills it; Alt draws straight; Esc drops it",
       Tool::Lasso, QKeySequence(Qt::Key_L));
  tool("SelectObjectTool", "Select Object",
       "Drag a box around an object; then Shift+drag marks object, right drag marks background",
       Tool::SelectObject, QKeySequence(Qt::Key_O));

  bar_->addSeparator();
  auto* sizeLabel = new QLabel(" Size: ", bar_);
  bar_->addWidget(sizeLabel);
  size_ = new QSlider(Qt::Horizontal, bar_);
  size_->setObjectName("BrushSizeSlider");
  size_->setRange(1, 400);
  size_->setValue(30);
  size_->setMaximumWidth(140);
  size_->setToolTip("Brush size in picture pixels ([ smaller, ] larger)");
  bar_->addWidget(size_);
  auto* sizeText = new QLabel("30", bar_);
  sizeText->setObjectName("BrushSizeText");
  sizeText->setMinimumWidth(28);
  bar_->addWidget(sizeText);
  connect(size_, &QSlider::valueChanged, this, [this, sizeText](int v) {
    sizeText->setText(QString::number(v));
    canvas_->update();
  });
  bar_->addSeparator();
  auto command = [this](const char* name, const QString& text, const QString& tip) {
    QAction* a = bar_->addAction(text);
    a->setObjectName(name);
    a->setToolTip(tip);
    return a;
  };
  featherWidth_ = new QSpinBox(bar_);
  featherWidth_->setObjectName("FeatherWidth");
  featherWidth_->setRange(1, 200);
  featherWidth_->setValue(4);
  featherWidth_->setSuffix(" px");
  featherWidth_->setToolTip("Width of the soft edge");
  connect(command("FeatherMask", "Feather", "Soften the mask's edge over the width beside"),
          &QAction::triggered, this, [this] { FeatherMask(featherWidth_->value()); });
  bar_->addWidget(featherWidth_);
  connect(command("ClearMask", "Clear", "Make the whole mask black"), &QAction::triggered, this,
          [this] { ClearMask(); });
  connect(command("InvertMask", "Invert", "Swap object and background"), &QAction::triggered, this,
          [this] { InvertMask(); });
  connect(command("NewMask", "New Mask", "Start an all-black mask of the original's size"),
          &QAction::triggered, this, [this] { NewMask(); });
  bar_->addSeparator();
  bareAction_ = command("ShowBareMask", "Mask Only", "Show the mask alone instead of the layer");
  bareAction_->setCheckable(true);
  connect(bareAction_, &QAction::toggled, this, [this](bool on) { SetBareMask(on); });

  if (parent) {
    parent->installEventFilter(this);
    setGeometry(parent->rect());
  }
}

TMaskEditor::~TMaskEditor() = default;

void TMaskEditor::keyPressEvent(QKeyEvent* event) {
  // "[" and "]" make the brush smaller and larger by a quarter.
  if (event->key() == Qt::Key_BracketLeft) {
    SetBrushSize(std::max(1, int(std::lround(BrushSize() / 1.25))));
  } else if (event->key() == Qt::Key_BracketRight) {
    SetBrushSize(std::max(BrushSize() + 1, int(std::lround(BrushSize() * 1.25))));
  } else {
    QWidget::keyPressEvent(event);
  }
}

bool TMaskEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) {
    setGeometry(parentWidget()->rect());
  } else if (watched == host_ && event->type() == QEvent::Resize) {
    PlaceCanvas();
  }
  return QWidget::eventFilter(watched, event);
}

void TMaskEditor::PlaceCanvas() {
  // The canvas has the picture's shape, as large as fits, centred: the picture view's mapping
  // then fits the picture to it.
  const QSize area = host_->size();
  const TFastBMP& v = view_;
  if (v.Empty() || area.isEmpty()) {
    canvas_->setGeometry(QRect(QPoint(), area));
    return;
  }
  const double s = std::min(area.width() / double(v.Width()), area.height() / double(v.Height()));
  const int w = std::max(1, int(std::lround(v.Width() * s)));
  const int h = std::max(1, int(std::lround(v.Height() * s)));
  canvas_->setGeometry((area.width() - w) / 2, (area.height() - h) / 2, w, h);
}

void TMaskEditor::Reload() {
  if (notifying_) return;
  ++edits_;
  lassoClicks_.clear();
  lassoPath_.clear();
  selection_.reset();
  snapper_.reset();
  base_ = project_.IMask;
  const TFastBMP& original = project_.IOriginal;
  if (original.Empty()) {
    view_ = TFastBMP();
  } else {
    snapper_ = std::make_unique<vision::EdgeSnapper>(original);
    if (base_.Width() == original.Width() && base_.Height() == original.Height()) {
      vision::DrawMaskOverlay(original, project_.IMask, WholeOf(original), bare_, view_);
    } else {
      view_ = original;  // no mask of its size yet: the first edit makes one
    }
  }
  // The picture view keeps the picture for its mapping; the editor paints its own view over it.
  canvas_->SetPicture(view_.Empty() ? nullptr : &view_);
  PlaceCanvas();
  canvas_->Fit();
}

void TMaskEditor::SetTool(Tool tool) {
  tool_ = tool;
  static const char* const names[] = {"BrushTool", "EraserTool", "LassoTool", "SelectObjectTool"};
  if (auto* a = findChild<QAction*>(names[int(tool)])) a->setChecked(true);
  if (tool != Tool::Lasso) {
    lassoClicks_.clear();
    lassoPath_.clear();
  }
  canvas_->update();
}

int TMaskEditor::BrushSize() const { return size_->value(); }
void TMaskEditor::SetBrushSize(int pixels) { size_->setValue(pixels); }

void TMaskEditor::SetBareMask(bool bare) {
  bare_ = bare;
  if (bareAction_->isChecked() != bare) bareAction_->setChecked(bare);
  if (!project_.IOriginal.Empty() && project_.IMask.Width() == project_.IOriginal.Width() &&
      project_.IMask.Height() == project_.IOriginal.Height())
    Redraw(WholeOf(project_.IOriginal));
}

void TMaskEditor::Fail(const QString& message) {
  QMessageBox::warning(this, "Object Mask", message);
}

bool TMaskEditor::EnsureMask() {
  const TFastBMP& original = project_.IOriginal;
  if (original.Empty()) {
    Fail("Import an original picture before making its mask.");
    return false;
  }
  if (project_.IMask.Width() == original.Width() && project_.IMask.Height() == original.Height())
    return true;
  TFastBMP before = project_.IMask;
  const std::string beforeName = project_.MaskFilename;
  PrepareMaskForEditing(project_);
  CommitWhole(before.Empty() ? "New Mask" : "Fit Mask to Original", std::move(before), beforeName);
  return true;
}

void TMaskEditor::Redraw(MaskRect rect) {
  vision::DrawMaskOverlay(project_.IOriginal, project_.IMask, rect, bare_, view_);
  canvas_->update(canvas_->ViewRect(rect));
}

void TMaskEditor::Notify() {
  ++edits_;
  notifying_ = true;
  emit MaskEdited();
  notifying_ = false;
}

void TMaskEditor::Commit(const QString& text, MaskRect rect) {
  rect.Left = std::max(rect.Left, 0);
  rect.Top = std::max(rect.Top, 0);
  rect.Right = std::min(rect.Right, project_.IMask.Width() - 1);
  rect.Bottom = std::min(rect.Bottom, project_.IMask.Height() - 1);
  if (rect.Empty()) return;
  TFastBMP before = CutRect(base_, rect);
  TFastBMP after = CutRect(project_.IMask, rect);
  CopyRect(project_.IMask, base_, rect);
  MaskChanged(project_);
  if (undo_) {
    undo_->push(new TMaskPixelsCommand(this, text, rect, std::move(before), std::move(after)));
  }
  Notify();
}

void TMaskEditor::CommitWhole(const QString& text, TFastBMP before, std::string beforeName) {
  base_ = project_.IMask;
  MaskChanged(project_);
  Redraw(WholeOf(project_.IOriginal));
  if (undo_) {
    undo_->push(new TMaskWholeCommand(this, text, std::move(before), std::move(beforeName),
                                      project_.IMask, project_.MaskFilename));
  }
  Notify();
}

void TMaskEditor::ApplyPixels(const MaskRect& rect, const TFastBMP& pixels) {
  if (project_.IMask.Width() < rect.Right + 1 || project_.IMask.Height() < rect.Bottom + 1) return;
  selection_.reset();
  PasteRect(pixels, project_.IMask, rect);
  if (base_.Width() == project_.IMask.Width() && base_.Height() == project_.IMask.Height())
    PasteRect(pixels, base_, rect);
  else
    base_ = project_.IMask;
  MaskChanged(project_);
  Redraw(rect);
  Notify();
}

void TMaskEditor::ApplyWholeMask(const TFastBMP& mask, const std::string& fileName) {
  selection_.reset();
  project_.IMask = mask;
  base_ = mask;
  MaskChanged(project_);
  project_.MaskFilename = fileName;  // back to the file it came from, if any
  if (mask.Width() == project_.IOriginal.Width() && mask.Height() == project_.IOriginal.Height())
    Redraw(WholeOf(project_.IOriginal));
  else
    view_ = project_.IOriginal;
  canvas_->update();
  Notify();
}

void TMaskEditor::NewMask() {
  if (project_.IOriginal.Empty()) {
    Fail("Import an original picture before making its mask.");
    return;
  }
  TFastBMP before = project_.IMask;
  const std::string beforeName = project_.MaskFilename;
  selection_.reset();
  PrepareMaskForEditing(project_, true);
  CommitWhole("New Mask", std::move(before), beforeName);
}

void TMaskEditor::ClearMask() {
  if (!EnsureMask()) return;
  selection_.reset();
  vision::ClearMask(project_.IMask);
  Redraw(WholeOf(project_.IMask));
  Commit("Clear Mask", WholeOf(project_.IMask));
}

void TMaskEditor::InvertMask() {
  if (!EnsureMask()) return;
  selection_.reset();
  vision::InvertMask(project_.IMask);
  Redraw(WholeOf(project_.IMask));
  Commit("Invert Mask", WholeOf(project_.IMask));
}

bool TMaskEditor::RunWithProgress(const QString& caption,
                                  const std::function<bool(UiCallbacks&)>& work) {
  TToolCallbacks callbacks;
  bool finished = false;
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  busy_ = true;
  std::thread worker([&] {
    try {
      finished = work(callbacks);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  QProgressDialog progress(caption + "... 0 %", "Cancel", 0, 100, this);
  progress.setObjectName("MaskToolProgress");
  progress.setWindowTitle("Object Mask");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  progress.show();
  do {
    const int percent = callbacks.Percent;
    progress.setValue(percent);
    progress.setLabelText(QString("%1... %2 %").arg(caption).arg(percent));
    if (progress.wasCanceled()) callbacks.Cancel = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(15));
  } while (!done);
  worker.join();
  busy_ = false;
  // Cancel pressed as the work ended still changes nothing.
  const bool cancelled = progress.wasCanceled();
  progress.close();
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& e) {
      Fail(QString::fromStdString(e.what()));
    }
    return false;
  }
  return finished && !cancelled;
}

void TMaskEditor::FeatherMask(int width) {
  if (busy_ || !EnsureMask()) return;
  // The worker feathers its own copy: the mask itself changes only once the work is done.
  TFastBMP mask = project_.IMask;
  const int edits = edits_;
  if (!RunWithProgress(
          "Feathering",
          [&](UiCallbacks& callbacks) { return vision::FeatherMask(mask, width, callbacks); }) ||
      edits != edits_)
    return;
  selection_.reset();
  project_.IMask = std::move(mask);
  Redraw(WholeOf(project_.IMask));
  Commit("Feather Mask", WholeOf(project_.IMask));
}

void TMaskEditor::StrokeSegment(MaskPoint a, MaskPoint b, bool erase) {
  if (!EnsureMask()) return;
  const MaskRect r = vision::PaintStroke(project_.IMask, a, b, BrushSize(), erase ? 0 : 255);
  if (r.Empty()) return;
  stroke_ = vision::Unite(stroke_, r);
  Redraw(r);
}

void TMaskEditor::EndStroke() {
  const MaskRect r = stroke_;
  stroke_ = {};
  if (r.Empty()) return;
  selection_.reset();
  Commit(tool_ == Tool::Eraser ? "Eraser Stroke" : "Brush Stroke", r);
}

void TMaskEditor::AddLassoPoint(MaskPoint p, bool straight) {
  if (project_.IOriginal.Empty()) return;
  p.X = std::clamp(p.X, 0, project_.IOriginal.Width() - 1);
  p.Y = std::clamp(p.Y, 0, project_.IOriginal.Height() - 1);
  if (lassoClicks_.empty() || !snapper_ || straight) {
    lassoPath_.push_back(p);
  } else {
    const std::vector<MaskPoint> side = snapper_->Path(lassoClicks_.back(), p);
    lassoPath_.insert(lassoPath_.end(), side.begin() + (side.size() > 1 ? 1 : 0), side.end());
  }
  lassoClicks_.push_back(p);
  canvas_->update();
}

void TMaskEditor::CloseLasso(bool straight) {
  if (lassoClicks_.size() < 3) {
    canvas_->update();
    return;
  }
  std::vector<MaskPoint> outline = lassoPath_;
  if (!straight && snapper_) {
    const std::vector<MaskPoint> side = snapper_->Path(lassoClicks_.back(), lassoClicks_.front());
    outline.insert(outline.end(), side.begin(), side.end());
  }
  lassoClicks_.clear();
  lassoPath_.clear();
  if (!EnsureMask()) return;
  selection_.reset();
  const MaskRect r = vision::FillPolygon(project_.IMask, outline, 255);
  Redraw(r);
  Commit("Lasso", r);
}

void TMaskEditor::SelectObject(MaskRect box) {
  if (busy_ || !EnsureMask()) return;
  // The worker reads only the original, which no tool changes.
  std::unique_ptr<vision::ObjectSelection> selection;
  const TFastBMP& original = project_.IOriginal;
  const int edits = edits_;
  if (!RunWithProgress("Selecting object",
                       [&](UiCallbacks& callbacks) {
                         selection = std::make_unique<vision::ObjectSelection>(
                             original, box, vision::SelectObjectOptions{}, callbacks);
                         return !selection->Cancelled();
                       }) ||
      edits != edits_)
    return;
  selection_ = std::move(selection);
  const MaskRect area = selection_->Area();
  beforeSelection_ = CutRect(project_.IMask, area);
  selection_->AddTo(project_.IMask);
  Redraw(area);
  Commit("Select Object", area);  // the selection stays for refining strokes
}

void TMaskEditor::RefineSelection(const std::vector<MaskPoint>& stroke, bool object) {
  if (busy_ || !selection_ || stroke.empty()) return;
  for (size_t i = 0; i < stroke.size(); ++i) {
    selection_->Mark(stroke[i > 0 ? i - 1 : 0], stroke[i], BrushSize(), object);
  }
  // A cancelled refinement keeps the selection as it was, without this stroke's marks.
  // The worker shares the selection: an undo while it runs drops the editor's, not the worker's.
  const std::shared_ptr<vision::ObjectSelection> selection = selection_;
  const int edits = edits_;
  if (!RunWithProgress("Selecting object",
                       [&](UiCallbacks& callbacks) { return selection->Update(callbacks); }) ||
      edits != edits_ || selection != selection_)
    return;
  const MaskRect area = selection_->Area();
  PasteRect(beforeSelection_, project_.IMask, area);
  selection_->AddTo(project_.IMask);
  Redraw(area);
  Commit(object ? "Mark Object" : "Mark Background", area);
}

}  // namespace glkov::app
