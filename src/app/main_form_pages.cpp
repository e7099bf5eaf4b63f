// The main window's six pages: the picture pages with their drop panels and file boxes, the
// mesh, object and scene pages, the views' layout, and importing a picture.

#include "app/main_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <cmath>

#include "app/extract_object_form.h"
#include "app/mask_editor.h"
#include "app/picture_view.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/config/file_type.h"
#include "core/config/recent_files.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/model/picture_import.h"
#include "core/model/project_file.h"
#include "core/perspective/mesh.h"
#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"

#include "app/main_form_parts.h"

namespace glkov::app {

QWidget* TMainForm::CreatePicturePage(int tag, const QString& caption) {
  static const char* const panels[3] = {"OriginalPanel", "MaskPanel", "BackgroundPanel"};
  static const char* const views[3] = {"IOriginal_r", "IMask_r", "IBackground_r"};
  static const char* const edits[3] = {"PictureFilenameEdit", "MaskFilenameEdit",
                                       "BackgroundFilenameEdit"};
  auto* page = new QWidget;
  page->setObjectName(QString("TabSheet%1").arg(tag + 1));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* area = new QWidget(page);
  area->setObjectName(QString(views[tag]) + "Area");
  pageArea_[tag] = area;
  layout->addWidget(area, 1);
  emptyPanel_[tag] = new TDropPanel(panels[tag], kEmptyPanelCaption, area);
  pictureView_[tag] = new TPictureView(views[tag], area);
  pictureView_[tag]->hide();
  auto* bottom = new QWidget(page);
  bottom->setObjectName(QString(views[tag]) + "BottomPanel");
  bottom->setProperty("Tag", kBottomPanelTag);
  auto* bl = new QHBoxLayout(bottom);
  bl->setContentsMargins(4, 2, 4, 2);
  bl->addWidget(new QLabel(caption + ":", bottom));
  fileEdit_[tag] = new TFileNameEdit(edits[tag], tag, bottom);
  SetHint(fileEdit_[tag], "File name|Type a file name and press Enter, or drop a file here");
  bl->addWidget(fileEdit_[tag], 1);
  auto* browse = new QToolButton(bottom);
  browse->setObjectName(QString(edits[tag]) + "Button");
  browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  SetHint(browse, QString(kPictureDialogTitles[tag]) + "|Choose the picture file");
  bl->addWidget(browse);
  bottomPanel_[tag] = bottom;
  layout->addWidget(bottom);

  connect(browse, &QToolButton::clicked, this, [this, tag] { ImportPictureDialog(tag); });
  connect(fileEdit_[tag], &QLineEdit::returnPressed, this,
          [this, tag] { ImportPicture(tag, fileEdit_[tag]->text()); });
  connect(fileEdit_[tag], &TFileNameEdit::FileDropped, this,
          [this, tag](const QString& f) { ImportPicture(tag, f); });
  connect(emptyPanel_[tag], &TDropPanel::FileDropped, this,
          [this, tag](const QString& f) { ImportPicture(tag, f); });
  connect(emptyPanel_[tag], &TDropPanel::DoubleClicked, this,
          [this, tag] { ImportPictureDialog(tag); });
  connect(pictureView_[tag], &TPictureView::DoubleClicked, this,
          [this, tag] { ImportPictureDialog(tag); });
  if (tag == 0)
    connect(pictureView_[0], &TPictureView::MouseMoved, this,
            [this](QPoint p) { InnerRectMouseMove(pictureView_[0], p); });
  if (tag == 1) {
    // Once there is an original, the mask page is the mask's editor.
    auto* editor = new TMaskEditor(project_, undo_, area);
    editor->hide();
    connect(editor, &TMaskEditor::MaskEdited, this, [this] {
      SceneGone();
      AfterProjectChanged();
    });
  }
  area->installEventFilter(this);
  return page;
}

QWidget* TMainForm::CreateMeshPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet4");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* area = new QWidget(page);
  area->setObjectName("MeshArea");
  pageArea_[3] = area;
  area->installEventFilter(this);
  layout->addWidget(area, 1);
  meshPanel_ = new QWidget(area);
  meshPanel_->setObjectName("MeshPanel");
  meshImage_ = new TMeshImage("MeshImage", meshPanel_);
  for (int tag = 2; tag <= 6; ++tag) {
    auto* h = new TMeshHandle(QString("Shape%1").arg(tag), tag, meshPanel_);
    handles_[tag - 2] = h;
    connect(h, &TMeshHandle::Pressed, this, &TMainForm::HandlePressed);
    connect(h, &TMeshHandle::Moved, this, &TMainForm::HandleMoved);
    connect(h, &TMeshHandle::Released, this, &TMainForm::HandleReleased);
  }
  connect(meshImage_, &TMeshImage::MousePressed, this, [this](QMouseEvent* e) {
    meshMouseDown_ = true;
    lastMouse_ = e->position().toPoint();
    dragStart_ = CurrentMeshState();
  });
  connect(meshImage_, &TMeshImage::MouseDragged, this, [this](QMouseEvent* e) {
    SetPanelText(2, QString(" W: %1 H: %2 ").arg(project_.PicWidth).arg(project_.PicHeight));
    if (!meshMouseDown_ || !meshImage_->isEnabled()) return;
    const QPoint p = e->position().toPoint();
    const MeshDragMode mode = (e->modifiers() & Qt::ShiftModifier) ? MeshDragMode::GridOffset
                              : (e->buttons() & Qt::RightButton)   ? MeshDragMode::FocalLength
                                                                   : MeshDragMode::GridDivisions;
    ApplyMeshDrag(project_, mode, p.x() - lastMouse_.x(), p.y() - lastMouse_.y());
    DrawMesh();
    lastMouse_ = p;
  });
  connect(meshImage_, &TMeshImage::MouseReleased, this, [this](QMouseEvent*) {
    if (!meshMouseDown_) return;
    meshMouseDown_ = false;
    if (CurrentMeshState().FocalLength != dragStart_.FocalLength)
      PushMeshEdit("Change Focal Length", dragStart_);
  });
  connect(meshImage_, &TMeshImage::ViewChanged, this, [this] { PlaceHandles(); });
  connect(meshImage_, &TMeshImage::DoubleClicked, this,
          [this] { SetPerspectiveDone(!project_.PerspectiveDone); });

  auto* bottom = new QWidget(page);
  bottom->setObjectName("MeshBottomPanel");
  bottom->setProperty("Tag", kBottomPanelTag);
  auto* bl = new QHBoxLayout(bottom);
  bl->setContentsMargins(4, 2, 4, 2);
  auto* bar = new QToolBar(bottom);
  bar->setObjectName("MeshToolBar");
  perspectiveDone_ = new QCheckBox("Done", bar);
  perspectiveDone_->setObjectName("PerspectiveDone");
  SetHint(perspectiveDone_,
          "Check to Fix the Perspective|Check it when you are done with the Perspective");
  connect(perspectiveDone_, &QCheckBox::clicked, this, [this](bool on) { SetPerspectiveDone(on); });
  bar->addWidget(perspectiveDone_);
  auto* def = new QToolButton(bar);
  def->setObjectName("DefaultMeshButton");
  def->setText("Default");
  def->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
  def->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  SetHint(def, "Default Mesh|Reset the Perspective Mesh to its default");
  connect(def, &QToolButton::clicked, this, [this] { DefaultMeshButtonClick(); });
  bar->addWidget(def);
  auto* suggest = new QToolButton(bar);
  suggest->setObjectName("SuggestMeshButton");
  suggest->setText("Suggest");
  suggest->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SetHint(suggest, "Suggest Mesh|Place the mesh where the lines of the picture meet");
  connect(suggest, &QToolButton::clicked, this, [this] { SuggestMeshButtonClick(); });
  bar->addWidget(suggest);
  auto* backdrop = new QToolButton(bar);
  backdrop->setObjectName("MeshBackgroundButton");
  backdrop->setText("Backdrop");
  backdrop->setIcon(StepIcon(0));
  backdrop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  SetHint(backdrop, "Select Mesh Background Image");
  auto* menu = new QMenu(backdrop);
  menu->setObjectName("MeshBackgroundMenu");
  const char* names[3] = {"Original2", "Mask2", "Background2"};
  const char* texts[3] = {"Original", "Mask", "Background"};
  for (int tag = 1; tag <= 3; ++tag) {
    QAction* a = menu->addAction(texts[tag - 1]);
    a->setObjectName(names[tag - 1]);
    a->setData(tag);
    connect(a, &QAction::triggered, this, [this, tag] { SetMeshBackdrop(tag); });
  }
  backdrop->setMenu(menu);
  backdrop->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(backdrop);
  auto* fov = new QToolButton(bar);
  fov->setObjectName("TBSetFOV");
  fov->setText("FOV");
  fov->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SetHint(fov, "Field of View|Set the Field of View of the camera that took the picture");
  connect(fov, &QToolButton::clicked, this, [this] { TBSetFOVClick(); });
  bar->addWidget(fov);
  bl->addWidget(bar);
  bottomPanel_[3] = bottom;
  layout->addWidget(bottom);

  regionCBPanel_ = new QWidget(bottom);
  regionCBPanel_->setObjectName("RegionCBPanel");
  auto* rl = new QHBoxLayout(regionCBPanel_);
  rl->setContentsMargins(0, 0, 0, 0);
  rl->addWidget(new QLabel("Sub-Scene:", regionCBPanel_));
  regionCB_ = new QComboBox(regionCBPanel_);
  regionCB_->setObjectName("RegionCB");
  regionCB_->setMinimumWidth(120);
  rl->addWidget(regionCB_, 1);
  bl->addWidget(regionCBPanel_, 1);
  return page;
}

QWidget* TMainForm::CreateObjectPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet5");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* area = new QWidget(page);
  area->setObjectName("ObjArea");
  pageArea_[4] = area;
  area->installEventFilter(this);
  layout->addWidget(area, 1);
  objImage_ = new TMeshImage("ObjImage", area);
  objImage_->hide();
  connect(objImage_, &TMeshImage::MouseDragged, this, [this](QMouseEvent*) {
    SetPanelText(2, QString(" W: %1 H: %2 ").arg(project_.PicWidth).arg(project_.PicHeight));
  });
  auto* bottom = new QWidget(page);
  bottom->setObjectName("ObjBottomPanel");
  bottom->setProperty("Tag", kBottomPanelTag);
  auto* bl = new QHBoxLayout(bottom);
  bl->setContentsMargins(4, 2, 4, 2);
  auto* extract = new QToolButton(bottom);
  extract->setObjectName("AutoExtractButton");
  extract->setText("Make");
  SetHint(extract, "Auto Add...|Click to Perform Automatic Object Extraction");
  bl->addWidget(extract);
  auto* clear = new QToolButton(bottom);
  clear->setObjectName("ClearObjectsButton");
  clear->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
  SetHint(clear, "Clear All|Clear All Objects");
  bl->addWidget(clear);
  auto* inspector = new QToolButton(bottom);
  inspector->setObjectName("InspectorToolButton");
  inspector->setDefaultAction(ToggleAction[Inspector]);
  bl->addWidget(inspector);
  bottomPanel_[4] = bottom;
  layout->addWidget(bottom);
  return page;
}

QWidget* TMainForm::CreateScenePage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheet6");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* area = new QWidget(page);
  area->setObjectName("GLArea");
  pageArea_[5] = area;
  area->installEventFilter(this);
  layout->addWidget(area, 1);
  glPanel_ = CreateGLView(area);
  auto* bottom = new QWidget(page);
  bottom->setObjectName("GLBottomPanel");
  bottom->setProperty("Tag", kBottomPanelTag);
  auto* bl = new QHBoxLayout(bottom);
  bl->setContentsMargins(4, 2, 4, 2);
  auto* make = new QToolButton(bottom);
  make->setObjectName("RenderToolButton");
  make->setText("Make");
  SetHint(make, "Make Scene|Click to Make the 3D Scene");
  bl->addWidget(make);
  auto* revert = new QToolButton(bottom);
  revert->setObjectName("RevertToolButton");
  revert->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
  SetHint(revert, "Revert Position|Revert to the Original Camera Position");
  bl->addWidget(revert);
  auto* control = new QToolButton(bottom);
  control->setObjectName("ControlToolButton");
  control->setDefaultAction(ToggleAction[CameraControl]);
  bl->addWidget(control);
  auto* timeline = new QToolButton(bottom);
  timeline->setObjectName("TimelineToolButton");
  timeline->setDefaultAction(ToggleAction[Timeline]);
  bl->addWidget(timeline);
  auto* trans = new QComboBox(bottom);
  trans->setObjectName("SubScenewTransCB");
  trans->setMinimumWidth(140);
  bl->addWidget(trans, 1);
  bottomPanel_[5] = bottom;
  layout->addWidget(bottom);
  return page;
}

void TMainForm::CreatePages() {
  auto* central = new QWidget(this);
  central->setObjectName("CentralPanel");
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(outBarPanel_);
  pages_ = new QTabWidget(central);
  pages_->setObjectName("PageControl");
  pages_->addTab(CreatePicturePage(0, "Original Picture"), kPageCaptions[0]);
  pages_->addTab(CreatePicturePage(1, "Object Mask"), kPageCaptions[1]);
  pages_->addTab(CreatePicturePage(2, "Background Picture"), kPageCaptions[2]);
  pages_->addTab(CreateMeshPage(), kPageCaptions[3]);
  pages_->addTab(CreateObjectPage(), kPageCaptions[4]);
  pages_->addTab(CreateScenePage(), kPageCaptions[5]);
  layout->addWidget(pages_, 1);
  setCentralWidget(central);
  // One height for every page's bottom panel, so the views fit every page alike.
  int bottomHeight = 0;
  for (QWidget* b : bottomPanel_) bottomHeight = std::max(bottomHeight, b->sizeHint().height());
  for (QWidget* b : bottomPanel_) b->setFixedHeight(bottomHeight);

  // The page arrows travel to the shown page's bottom panel.
  auto arrow = [this](const QString& panel, const QString& button, QStyle::StandardPixmap icon,
                      const QString& hint) {
    auto* p = new QWidget(this);
    p->setObjectName(panel);
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    auto* b = new QToolButton(p);
    b->setObjectName(button);
    b->setIcon(style()->standardIcon(icon));
    SetHint(b, hint);
    l->addWidget(b);
    return std::pair{p, b};
  };
  auto [up, upButton] =
      arrow("PanelUp", "ButtonLEDUp", QStyle::SP_ArrowLeft, "Previous|Show the previous page");
  auto [down, downButton] =
      arrow("PanelDown", "ButtonLEDDown", QStyle::SP_ArrowRight, "Next|Show the next page");
  panelUp_ = up;
  panelDown_ = down;
  connect(upButton, &QToolButton::clicked, this, [this] { ShowPage(CurrentPage() - 1); });
  connect(downButton, &QToolButton::clicked, this, [this] { ShowPage(CurrentPage() + 1); });
}

// ---------------------------------------------------------------------------------------------
// View layout

void TMainForm::LayoutViews(int w, int h) {
  if (!project_.OriginalLoaded) return;
  // Only the shown page follows the window's size; the others are resized when they are shown.
  const QWidget* area = pageArea_[std::max(0, CurrentPage())];
  layout_ = glkov::LayoutViews(area->width() - 2, area->height() - 2, w, h);
  SetPanelText(1, QString::fromStdString(ScaleText(layout_.FitScale)));
  const QRect r(layout_.Left + 1, layout_.Top + 1, layout_.DisplayWidth, layout_.DisplayHeight);
  for (TPictureView* v : pictureView_) v->setGeometry(r);
  meshPanel_->setGeometry(r);
  meshImage_->setGeometry(0, 0, r.width(), r.height());
  objImage_->setGeometry(r);
  for (TPictureView* v :
       {pictureView_[0], pictureView_[1], pictureView_[2], static_cast<TPictureView*>(meshImage_),
        static_cast<TPictureView*>(objImage_)}) {
    v->SetFitScale(layout_.FitScale);
    v->Fit();
  }
  glPanel_->setGeometry(r);
  PlaceGLView();
  PlaceHandles();
  DrawMesh();
}

// ---------------------------------------------------------------------------------------------
// Picture import

namespace {

// "All Supported Files" with every kind of picture the program reads, then one entry per kind.
QString PictureDialogFilter() {
  QStringList all, kinds;
  for (const PictureFileType& type : ReadablePictureTypes()) {
    QStringList patterns;
    for (const std::string& ext : type.Extensions) patterns << "*" + QString::fromStdString(ext);
    all << patterns;
    kinds << QString::fromStdString(type.Name) + " Files (" + patterns.join(' ') + ")";
  }
  return "All Supported Files (" + all.join(' ') + ");;" + kinds.join(";;") + ";;All files (*)";
}

}  // namespace

void TMainForm::ImportPictureDialog(int tag) {
  // The folder of the picture being replaced, else the project's, else the user's pictures.
  const QFileInfo current(fileEdit_[tag]->text());
  QString start = QString::fromStdString(project_.ProjectDir);
  if (!fileEdit_[tag]->text().isEmpty() && current.absoluteDir().exists())
    start = current.absolutePath();
  if (start.isEmpty() || !QFileInfo(start).isDir())
    start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
  const QString file =
      dialogs_.OpenFile(this, kPictureDialogTitles[tag], start, PictureDialogFilter());
  if (file.isEmpty()) return;
  ImportPicture(tag, file);
}

bool TMainForm::ImportPicture(int tag, const QString& fileName) {
  if (fileName.isEmpty() || tag < 0 || tag > 2) return false;
  fileEdit_[tag]->setText(fileName);
  auto before = std::make_shared<TProject>(project_);
  TStatusCallbacks callbacks(gauge_, panels_[4]);
  QStringList warnings;
  callbacks.OnWarning = [&](const std::string& m) { warnings << QString::fromStdString(m); };
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Loading picture...");
    const std::string name = fileName.toStdString();
    if (tag == 0)
      LoadOriginal(project_, timeline_, name, callbacks);
    else if (tag == 1)
      LoadMask(project_, name, callbacks);
    else
      LoadBackground(project_, name, callbacks);
    project_.Modified = true;
  });
  if (!ok) return false;
  AfterProjectChanged();
  extractObjectForm_->ResetExtraction();  // its list belongs to the old cut-out of the mask
  if (!warnings.isEmpty()) dialogs_.ShowError(this, warnings.join('\n'));
  if (tag == 0) {
    SetMeshBackdrop(1);  // a new picture is seen first as itself
    ShowPage(0);
    ShowWorkArea(true);
  }
  static const char* const texts[3] = {"Import Original", "Import Mask", "Import Background"};
  undo_->push(new TProjectEditCommand(this, texts[tag], std::move(before),
                                      std::make_shared<TProject>(project_)));
  return true;
}

void TMainForm::ApplyProjectSnapshot(const TProject& snapshot) {
  project_ = snapshot;
  project_.Modified = true;
  extractObjectForm_->ResetExtraction();
  AfterProjectChanged();
}

void TMainForm::AfterProjectChanged() {
  const TProject& p = project_;
  const std::string* names[3] = {&p.PictureFilename, &p.MaskFilename, &p.BackgroundFilename};
  const TFastBMP* cuts[3] = {&p.IOriginal_r, &p.IMask_r, &p.IBackground_r};
  for (int i = 0; i < 3; ++i) {
    fileEdit_[i]->setText(QString::fromStdString(*names[i]));
    const bool has = !cuts[i]->Empty();
    pictureView_[i]->SetPicture(has ? cuts[i] : nullptr);
    pictureView_[i]->setVisible(has);
    emptyPanel_[i]->setVisible(!has);
  }
  const bool original = p.OriginalLoaded && !p.IOriginal_r.Empty();
  if (auto* maskEditor = findChild<TMaskEditor*>("MaskEditor")) {
    maskEditor->setVisible(original);
    if (original) {
      pictureView_[1]->hide();
      emptyPanel_[1]->hide();
    }
    maskEditor->Reload();
  }
  SetStepItemEnabled("Subs-Scenes", original);
  SetStepItemEnabled("Sub-Scenes Perspective", original);
  SetStepItemEnabled("Foreground Objects", !p.IMask_r.Empty());
  panels_[0]->setEnabled(original);
  meshPanel_->setVisible(original);
  objImage_->setVisible(!p.IMask_r.Empty());
  SetHandlesVisible(original);
  meshImage_->SetPicture(nullptr);
  objImage_->SetPicture(nullptr);
  regionCB_->clear();
  for (const std::string& name : FillRegionList(p))
    regionCB_->addItem(QString::fromStdString(name));
  if (p.CurrentRegion >= 1) regionCB_->setCurrentIndex(p.CurrentRegion - 1);
  UpdateMenus();
  SyncDoneControls();
  if (original) {
    ShowWorkArea(true);
    layout_ = ViewLayout{};
    LayoutViews(p.PicWidth, p.PicHeight);
    SetPanelText(2, QString(" W: %1 H: %2 ").arg(p.PicWidth).arg(p.PicHeight));
  }
  RefreshSceneWindows();
  View3DProjectChanged();
}

}  // namespace glkov::app
