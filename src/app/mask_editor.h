#pragma once

// The "Object Mask" page's editor: the original with the mask over it as a coloured,
// half-transparent layer (or the bare mask), and the tools that make the mask: brush, eraser,
// snapping lasso, object selection, feather, clear, invert and a new black mask. The tools
// themselves are the core's (core/vision/mask_tools.h); every stroke or tool result is one undo
// step.

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/vision/mask_tools.h"

class QActionGroup;
class QAction;
class QSlider;
class QSpinBox;
class QToolBar;
class QUndoStack;

namespace glkov {
struct TProject;
class UiCallbacks;
}  // namespace glkov

namespace glkov::app {

class TMaskCanvas;

class TMaskEditor : public QWidget {
  Q_OBJECT

 public:
  enum class Tool { Brush, Eraser, Lasso, SelectObject };

  // The editor fills its parent (the page's picture area) and follows its size.
  TMaskEditor(TProject& project, QUndoStack* undo, QWidget* parent);
  ~TMaskEditor() override;

  // Shows the project's pictures again (after an import, an undo of one, a project opened).
  void Reload();

  Tool CurrentTool() const { return tool_; }
  void SetTool(Tool tool);
  int BrushSize() const;
  void SetBrushSize(int pixels);
  bool BareMask() const { return bare_; }
  void SetBareMask(bool bare);

  // The tools, as the tool bar runs them (picture pixels, rows from the top).
  void NewMask();
  void ClearMask();
  void InvertMask();
  // Feather, Select Object and refinements run on a worker thread behind a progress dialog with
  // Cancel; a cancelled tool changes nothing and leaves no undo step. They return at once while
  // another of them runs.
  void FeatherMask(int width);
  // A segment of a brush (or, with erase, eraser) stroke; EndStroke makes the stroke one undo step.
  void StrokeSegment(vision::MaskPoint a, vision::MaskPoint b, bool erase);
  void EndStroke();
  void AddLassoPoint(vision::MaskPoint p, bool straight);
  void CloseLasso(bool straight);  // fills the outline, one undo step
  const std::vector<vision::MaskPoint>& LassoPath() const { return lassoPath_; }
  void SelectObject(vision::MaskRect box);
  // Refines the last selection with a stroke marking object or background (one undo step).
  void RefineSelection(const std::vector<vision::MaskPoint>& stroke, bool object);

  // Puts the pixels of rect (or the whole mask) back as an undo or redo does.
  void ApplyPixels(const vision::MaskRect& rect, const TFastBMP& pixels);
  void ApplyWholeMask(const TFastBMP& mask, const std::string& fileName);

  // The view of the mask as drawn (picture size), for tests and screenshots.
  const TFastBMP& View() const { return view_; }

 signals:
  // The mask changed (after an edit, an undo or a redo): its cut-out was made again.
  void MaskEdited();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class TMaskCanvas;
  bool EnsureMask();
  void Commit(const QString& text, vision::MaskRect rect);
  void CommitWhole(const QString& text, TFastBMP before, std::string beforeName);
  void Redraw(vision::MaskRect rect);
  void PlaceCanvas();
  void Notify();
  void Fail(const QString& message);
  // Runs work on a worker thread while a progress dialog ("<caption>... n %") keeps the window's
  // events running. False when the user cancelled, the work stopped or it failed (shown).
  bool RunWithProgress(const QString& caption, const std::function<bool(UiCallbacks&)>& work);

  TProject& project_;
  QUndoStack* undo_;
  QToolBar* bar_ = nullptr;
  QWidget* host_ = nullptr;  // the space below the tool bar; the canvas sits centred in it
  QActionGroup* tools_ = nullptr;
  QSlider* size_ = nullptr;
  QSpinBox* featherWidth_ = nullptr;
  QAction* bareAction_ = nullptr;
  TMaskCanvas* canvas_ = nullptr;
  Tool tool_ = Tool::Brush;
  bool bare_ = false;
  bool notifying_ = false;  // the main window's refresh after our own edit needs no reload
  bool busy_ = false;       // a tool runs on the worker thread
  int edits_ = 0;           // counts changes of the mask, to see one made while a tool ran

  TFastBMP base_;  // the mask as of the last undo step
  TFastBMP view_;  // the picture with the mask layer
  vision::MaskRect stroke_;
  std::vector<vision::MaskPoint> lassoClicks_, lassoPath_;
  std::unique_ptr<vision::EdgeSnapper> snapper_;
  std::shared_ptr<vision::ObjectSelection> selection_;  // shared with a refining worker
  TFastBMP beforeSelection_;  // the mask's pixels of the selection's area before it was made
};

}  // namespace glkov::app
