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

#include "app/movie_file_dialog.h"
#include "app/picture_view.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/config/file_type.h"
#include "core/config/recent_files.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project_file.h"
#include "core/perspective/mesh.h"
#include "core/perspective/sub_scenes.h"
#include "core/util/text_format.h"

#include "app/main_form_parts.h"

namespace glkov::app {

// Splits "short|long" hints: the short part is the tool tip, the long part the status text.
void SetHint(QObject* object, const QString& hint) {
  const QString shortHint = hint.section('|', 0, 0);
  const QString longHint = hint.contains('|') ? hint.section('|', 1) : hint;
  if (auto* a = qobject_cast<QAction*>(object)) {
    a->setToolTip(shortHint);
    a->setStatusTip(longHint);
  } else if (auto* w = qobject_cast<QWidget*>(object)) {
    w->setToolTip(shortHint);
    w->setStatusTip(longHint);
  }
}

QString FirstLocalFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

// The step bar's pictures, drawn by hand: one small glyph per image index.
QIcon StepIcon(int index) {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 40, 40), 1.5));
  switch (index) {
    case 0:  // a landscape photograph
      p.setBrush(QColor(120, 180, 240));
      p.drawRect(3, 6, 26, 20);
      p.setBrush(QColor(60, 150, 60));
      p.drawPolygon(QPolygon(
          {QPoint(3, 26), QPoint(12, 14), QPoint(19, 22), QPoint(29, 12), QPoint(29, 26)}));
      p.setBrush(QColor(250, 220, 60));
      p.drawEllipse(QPoint(9, 11), 3, 3);
      break;
    case 1:  // a mask: bright shapes on black
      p.setBrush(Qt::black);
      p.drawRect(3, 6, 26, 20);
      p.setBrush(Qt::white);
      p.setPen(Qt::NoPen);
      p.drawRect(7, 12, 6, 12);
      p.drawEllipse(QPoint(21, 18), 5, 5);
      break;
    case 2:  // the background without objects
      p.setBrush(QColor(200, 170, 120));
      p.drawRect(3, 6, 26, 20);
      p.setBrush(QColor(150, 110, 70));
      p.drawRect(3, 19, 26, 7);
      break;
    case 3: {  // the perspective mesh
      p.setBrush(QColor(255, 255, 255));
      p.drawRect(3, 6, 26, 20);
      p.setPen(QPen(QColor(220, 0, 0), 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawRect(12, 12, 8, 8);
      p.drawLine(3, 6, 12, 12);
      p.drawLine(29, 6, 20, 12);
      p.drawLine(3, 26, 12, 20);
      p.drawLine(29, 26, 20, 20);
      break;
    }
    case 4:  // object boxes
      p.setBrush(QColor(230, 230, 230));
      p.drawRect(3, 6, 26, 20);
      p.setPen(QPen(QColor(0, 170, 0), 2));
      p.setBrush(Qt::NoBrush);
      p.drawRect(7, 10, 8, 13);
      p.drawRect(18, 14, 8, 9);
      break;
    case 5:  // a camera
      p.setBrush(QColor(70, 70, 80));
      p.drawRoundedRect(4, 10, 24, 16, 3, 3);
      p.drawRect(10, 7, 8, 4);
      p.setBrush(QColor(150, 200, 255));
      p.drawEllipse(QPoint(16, 18), 5, 5);
      break;
    case 7:  // a film strip
      p.setBrush(QColor(50, 50, 50));
      p.drawRect(6, 3, 20, 26);
      p.setBrush(Qt::white);
      for (int y = 5; y < 28; y += 5) {
        p.drawRect(8, y, 2, 2);
        p.drawRect(22, y, 2, 2);
      }
      p.setBrush(QColor(120, 180, 240));
      p.drawRect(12, 8, 8, 16);
      break;
    case 8:  // play
      p.setBrush(QColor(40, 160, 70));
      p.drawEllipse(3, 3, 26, 26);
      p.setBrush(Qt::white);
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygon({QPoint(13, 9), QPoint(23, 16), QPoint(13, 23)}));
      break;
    case 9:  // sub-scenes: a picture cut in two
      p.setBrush(QColor(240, 240, 200));
      p.drawRect(3, 6, 26, 20);
      p.setPen(QPen(QColor(0, 0, 200), 2, Qt::DashLine));
      p.drawLine(16, 6, 16, 26);
      break;
    default:
      break;
  }
  return QIcon(pm);
}

TDialogs StandardDialogs() {
  TDialogs d;
  d.OpenFile = [](QWidget* parent, const QString& title, const QString& dir,
                  const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
  };
  d.SaveFile = [](QWidget* parent, const QString& title, const QString& dir,
                  const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, dir, filter);
  };
  d.SaveMovie = RunMovieFileDialog;
  d.AskYesNo = [](QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  d.AskYesNoCancel = [](QWidget* parent, const QString& text, const QString& title) {
    // With a Cancel button, Escape and the close box give Cancel.
    switch (QMessageBox::question(parent, title, text,
                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                  QMessageBox::Yes)) {
      case QMessageBox::Yes:
        return TAnswer::Yes;
      case QMessageBox::No:
        return TAnswer::No;
      default:
        return TAnswer::Cancel;
    }
  };
  d.ShowError = [](QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, "glKOV", text);
  };
  d.ShowInfo = [](QWidget* parent, const QString& text) {
    QMessageBox::information(parent, "glKOV", text);
  };
  d.InputText = [](QWidget* parent, const QString& title, const QString& prompt,
                   const QString& text) -> std::optional<QString> {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return answer;
  };
  d.Exec = [](QDialog* dialog) { return dialog->exec(); };
  return d;
}

TDropPanel::TDropPanel(const QString& name, const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {
  setObjectName(name);
  setAlignment(Qt::AlignCenter);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setAcceptDrops(true);
}

void TDropPanel::dragEnterEvent(QDragEnterEvent* e) {
  if (!FirstLocalFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TDropPanel::dropEvent(QDropEvent* e) {
  const QString file = FirstLocalFile(e->mimeData());
  if (file.isEmpty()) return;
  e->acceptProposedAction();
  emit FileDropped(file);
}

void TDropPanel::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

TFileNameEdit::TFileNameEdit(const QString& name, int tag, QWidget* parent)
    : QLineEdit(parent), tag_(tag) {
  setObjectName(name);
  setProperty("Tag", tag);
  setAcceptDrops(true);
}

void TFileNameEdit::dragEnterEvent(QDragEnterEvent* e) {
  if (!FirstLocalFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TFileNameEdit::dropEvent(QDropEvent* e) {
  const QString file = FirstLocalFile(e->mimeData());
  if (file.isEmpty()) return;
  e->acceptProposedAction();
  setText(file);
  emit FileDropped(file);
}

// ---------------------------------------------------------------------------------------------

TMainForm::TMainForm(Options options, TDialogs dialogs, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), dialogs_(std::move(dialogs)) {
  if (!dialogs_.AskYesNoCancel) {
    // Dialogs without the three-way question answer it with their Yes/No question.
    dialogs_.AskYesNoCancel = [this](QWidget* w, const QString& text, const QString& title) {
      return dialogs_.AskYesNo && dialogs_.AskYesNo(w, text, title) ? TAnswer::Yes : TAnswer::No;
    };
  }
  setObjectName("MainForm");
  resize(1024, 720);
  undo_ = new QUndoStack(this);
  undo_->setUndoLimit(50);
  connect(undo_, &QUndoStack::indexChanged, this, [this] { RefreshTitle(); });
  CreateActions();
  CreateMenus();
  CreateToolBars();
  CreateStepBar();
  CreatePages();
  CreateStatusBar();
  CreateFillControls();

  lastPos_ = pos();
  SetHandlesVisible(false);
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
              RestoreToolWindows();
            else
              HideToolWindows();
          });
  SetTitle("");
  ShowWorkArea(false);
  for (int i = 0; i < 6; ++i) pages_->tabBar()->setTabVisible(i, i == 0);

  CreateToolWindows();
  ConnectSceneControls();
  RestoreSettings();
  RefreshRecentMenu();
  CloseProject();
  ShowPage(0);
  StartRecovery();
}

TMainForm::~TMainForm() {
  // The undo stack goes with the window's children, after this object is no longer a TMainForm;
  // its last indexChanged must not reach the caption.
  undo_->disconnect(this);
}

bool TMainForm::Run(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& e) {
    dialogs_.ShowError(this, QString::fromStdString(e.what()));
  }
  return false;
}

void TMainForm::CreateActions() {
  auto make = [this](const QString& name, const QString& text, const QString& hint,
                     const QKeySequence& key = {}) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    SetHint(a, hint);
    return a;
  };
  NewAction =
      make("NewProject1", "&New Project", "New|Start a new project", QKeySequence("Ctrl+N"));
  NewAction->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  OpenAction = make("OpenProject1", "&Open Project...", "Open|Open an existing project",
                    QKeySequence("Ctrl+O"));
  OpenAction->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  SaveAction = make("SaveProject1", "&Save Project", "Save|Save the current project",
                    QKeySequence("Ctrl+S"));
  SaveAction->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  SaveAsAction = make("SaveProjectAs1", "Save Project &As...",
                      "Save As|Save the current project under a new name");
  CloseAction = make("CloseProject1", "&Close Project", "Close|Close the current project");
  ExitAction = make("Exit1", "E&xit", "Exit|Quit the program", QKeySequence("Ctrl+X"));
  ImportOriginalAction = make("Original1", "&Original ", "Original|Import the original picture");
  ImportMaskAction = make("Mask1", "&Mask", "Mask|Import the foreground object mask");
  ImportBackgroundAction =
      make("Background1", "&Background", "Background|Import the background picture");
  ImportAllAction = make("All3Above1", "&All 3 Above", "Import All|Import all three pictures",
                         QKeySequence("Ctrl+I"));
  ExportAnimationAction =
      make("Animation1", "Animation...", "Animation|Export the animation to an AVI file");
  ExportMaskedAction =
      make("MaskedImage1", "Masked Image...", "Masked Image|Export the masked picture");
  ConfigurationAction =
      make("Configuration1", "&Configuration...", "Configuration|Program options");
  UndoAction = undo_->createUndoAction(this, "&Undo");
  UndoAction->setObjectName("Undo1");
  UndoAction->setShortcut(QKeySequence("Ctrl+Z"));
  UndoAction->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  SetHint(UndoAction, "Undo|Undo the last edit");
  RedoAction = undo_->createRedoAction(this, "&Redo");
  RedoAction->setObjectName("Redo1");
  RedoAction->setShortcut(QKeySequence("Ctrl+Y"));
  RedoAction->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  SetHint(RedoAction, "Redo|Redo the last undone edit");

  const struct {
    const char* name;
    const char* text;
    const char* hint;
  } toggles[ToolWindowCount] = {
      {"TimeLine1", "Time&Line", "Timeline...|Show or Hide the Timeline Window"},
      {"CameraControls1", "&Camera Controls",
       "Camera Control...|Show or Hide the Camera Control Window"},
      {"ObjectInspector1", "&Object Inspector",
       "View/Edit Info...|Show or Hide the Object Inspector Window"},
      {"Texture1", "&Texture", "Texture...|Show or Hide the Texture Window"},
      {"SceneDivider1", "Scene Divider", "Scene Divider...|Show or Hide the Scene Divider Window"},
  };
  for (int i = 0; i < ToolWindowCount; ++i) {
    ToggleAction[i] = make(toggles[i].name, toggles[i].text, toggles[i].hint);
    ToggleAction[i]->setCheckable(true);
    connect(ToggleAction[i], &QAction::triggered, this,
            [this, i] { ToggleToolWindow(static_cast<ToolWindow>(i)); });
  }
  ToggleAction[Timeline]->setIcon(StepIcon(7));
  ToggleAction[CameraControl]->setIcon(StepIcon(5));
  ToggleAction[Inspector]->setIcon(StepIcon(4));
  ToggleAction[Texture]->setIcon(StepIcon(2));
  ToggleAction[SceneDivider]->setIcon(StepIcon(9));

  ToolbarsAction = make("Toolbars1", "&Toolbars", "Toolbars|Show or hide the tool bar");
  StatusbarAction = make("Statusbar1", "&Statusbar", "Statusbar|Show or hide the status bar");
  StepbarAction = make("Stepbar1", "Stepbar", "Stepbar|Show or hide the step bar");
  for (QAction* a : {ToolbarsAction, StatusbarAction, StepbarAction}) {
    a->setCheckable(true);
    a->setChecked(true);
  }
  ZoomInAction = make("ZoomIn1", "Zoom &In", "Zoom In|Show the picture larger");
  ZoomInAction->setShortcuts({QKeySequence("+"), QKeySequence("="), QKeySequence::ZoomIn});
  ZoomOutAction = make("ZoomOut1", "Zoom &Out", "Zoom Out|Show the picture smaller");
  ZoomOutAction->setShortcuts({QKeySequence("-"), QKeySequence::ZoomOut});
  FitAction = make("Fit1", "&Fit", "Fit|Show the whole picture", QKeySequence("Ctrl+0"));
  connect(ZoomInAction, &QAction::triggered, this, [this] {
    if (TPictureView* v = CurrentPictureView()) v->ZoomIn();
  });
  connect(ZoomOutAction, &QAction::triggered, this, [this] {
    if (TPictureView* v = CurrentPictureView()) v->ZoomOut();
  });
  connect(FitAction, &QAction::triggered, this, [this] {
    if (TPictureView* v = CurrentPictureView()) v->Fit();
  });
  DefinePerspectiveAction = make("DefinePerspective1", "Define &Perspective",
                                 "Perspective|Define the perspective of the picture");
  DefineObjectsAction =
      make("DefineObjects1", "Define &Objects", "Objects|Define the foreground objects");
  SetCameraPathAction =
      make("SetCameraPath1", "Set &Camera Path", "Camera Path|Set the camera path");
  PreviewAction = make("Preview1", "Pre&view", "Preview|Preview the animation");
  PlayFileAction =
      make("PlayFile1", "&Play File...", "Play|Play an AVI file", QKeySequence(Qt::Key_F9));
  SaveCameraPathAction =
      make("SaveCameraPath1", "Save Camera Path...", "Save Path|Save the camera path");
  LoadCameraPathAction =
      make("LoadCameraPath1", "Load Camera Path...", "Load Path|Load a camera path");
  CameraPresetsAction = make("CameraPresets1", "Camera Presets...",
                             "Camera Presets|Replace the camera path by a ready-made move");
  TutorialAction = make("Tutorial1", "Tutorial", "Tutorial|A short guide to the four steps");
  AboutAction = make("About1", "About...", "About|About glKOV");
  StickyAction = make("StickyFormTB", "Stiky Windows",
                      "Stiky Windows|Move the tool windows with the main window");
  StickyAction->setCheckable(true);
  StickyAction->setIcon(style()->standardIcon(QStyle::SP_TitleBarShadeButton));
  ClearRecentAction =
      make("ClearRecent1", "&Clear Recent Opened List", "Clear|Clear the list of recent projects");
  RemoveObsoleteAction = make("RemoveObsolete1", "&Remove Obsolete",
                              "Remove Obsolete|Remove projects that no longer exist");

  connect(NewAction, &QAction::triggered, this, [this] { NewProject(); });
  connect(OpenAction, &QAction::triggered, this, [this] { OpenProject(); });
  connect(SaveAction, &QAction::triggered, this, [this] { SaveProject(); });
  connect(SaveAsAction, &QAction::triggered, this, [this] { SaveProjectAs(); });
  connect(CloseAction, &QAction::triggered, this, [this] { CloseProject(); });
  connect(ExitAction, &QAction::triggered, this, [this] { close(); });
  connect(ImportOriginalAction, &QAction::triggered, this, [this] { ImportPictureDialog(0); });
  connect(ImportMaskAction, &QAction::triggered, this, [this] { ImportPictureDialog(1); });
  connect(ImportBackgroundAction, &QAction::triggered, this, [this] { ImportPictureDialog(2); });
  connect(ImportAllAction, &QAction::triggered, this, [this] {
    for (int tag = 0; tag < 3; ++tag) ImportPictureDialog(tag);
  });
  connect(ExportAnimationAction, &QAction::triggered, this, [this] {
    if (TToolForm* f = FindToolForm("TOutputAVIForm")) f->show();
  });
  connect(ConfigurationAction, &QAction::triggered, this, [this] {
    TOptionForm options(this);
    connect(&options, &TOptionForm::AssociateClicked, this, [this] {
      const QString program = QCoreApplication::applicationFilePath();
      RegisterFileType(".kov", "kovfile", "glKOV-File", "", program);
    });
    dialogs_.Exec(&options);
  });
  connect(ToolbarsAction, &QAction::toggled, this,
          [this](bool on) { toolBarIcon_->setVisible(on); });
  connect(StatusbarAction, &QAction::toggled, this, [this](bool on) {
    statusBar()->setVisible(on);
    LayoutViews(project_.PicWidth, project_.PicHeight);
  });
  connect(StepbarAction, &QAction::toggled, this, [this](bool on) {
    outBarPanel_->setVisible(on && pages_->isVisible());
    LayoutViews(project_.PicWidth, project_.PicHeight);
  });
  connect(DefinePerspectiveAction, &QAction::triggered, this, [this] { ShowPage(3); });
  connect(DefineObjectsAction, &QAction::triggered, this, [this] { ShowPage(4); });
  connect(SetCameraPathAction, &QAction::triggered, this, [this] { ShowPage(5); });
  connect(PlayFileAction, &QAction::triggered, this, [this] { PlayFileClick(); });
  connect(TutorialAction, &QAction::triggered, this, [this] {
    if (project_.Modified && !AskSaveProject()) return;
    dialogs_.ShowInfo(
        this,
        "Step 1: Input - import the original picture, the foreground mask (objects bright on "
        "a dark backdrop) and the background picture with the objects painted out.\n\n"
        "Step 2: Definition - on \"Scene Perspective\" drag the five handles so that the red "
        "rectangle sits on the rear wall and the red lines run along the room's edges, then "
        "tick \"Done\". Extract the foreground objects on \"Foreground Objects\".\n\n"
        "Step 3: Settings - on \"3D Scene\" press \"Make\", move the camera with the mouse and "
        "record key frames on the timeline.\n\n"
        "Step 4: Output - write the walk-through as an AVI movie and watch it in the player.");
  });
  connect(AboutAction, &QAction::triggered, this, [this] {
    TAboutForm about(this);
    dialogs_.Exec(&about);
  });
  connect(ClearRecentAction, &QAction::triggered, this, [this] {
    Run([] { WriteRecentFiles({}); });
    RefreshRecentMenu();
  });
  connect(RemoveObsoleteAction, &QAction::triggered, this, [this] {
    std::vector<std::string> list;
    for (const QString& f : ReadRecentFiles()) list.push_back(f.toStdString());
    RemoveObsoleteFiles(
        list, [](const std::string& f) { return QFileInfo::exists(QString::fromStdString(f)); });
    QStringList files;
    for (const std::string& f : list) files << QString::fromStdString(f);
    Run([&] { WriteRecentFiles(files); });
    RefreshRecentMenu();
  });

  auto* pageUp = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
  connect(pageUp, &QShortcut::activated, this, [this] { ShowPage(CurrentPage() - 1); });
  auto* pageDown = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
  connect(pageDown, &QShortcut::activated, this, [this] { ShowPage(CurrentPage() + 1); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    if (gauge_ && gauge_->isVisible()) abortRequested_ = true;
    RequestExportAbort();
  });
}

void TMainForm::CreateMenus() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("MainMenu1");
  bar->setNativeMenuBar(false);
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  file->addAction(NewAction);
  file->addAction(OpenAction);
  file->addSeparator();
  reopenMenu_ = file->addMenu("&Reopen");
  reopenMenu_->setObjectName("Reopen1");
  file->addAction(SaveAction);
  file->addAction(SaveAsAction);
  file->addAction(CloseAction);
  file->addSeparator();
  ImportMenu = file->addMenu("&Import Picture to Project");
  ImportMenu->setObjectName("ImportPicturetoProject1");
  ImportMenu->addAction(ImportOriginalAction);
  ImportMenu->addAction(ImportMaskAction);
  ImportMenu->addAction(ImportBackgroundAction);
  ImportMenu->addSeparator();
  ImportMenu->addAction(ImportAllAction);
  QMenu* exportMenu = file->addMenu("&Export");
  exportMenu->setObjectName("Export1");
  exportMenu->addAction(ExportAnimationAction);
  exportMenu->addAction(ExportMaskedAction);
  file->addSeparator();
  file->addAction(ConfigurationAction);
  file->addSeparator();
  file->addAction(ExitAction);

  QMenu* edit = bar->addMenu("&Edit");
  edit->setObjectName("Edit1");
  edit->addAction(UndoAction);
  edit->addAction(RedoAction);

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("View1");
  ShowWindowMenu = view->addMenu("Show &Window");
  ShowWindowMenu->setObjectName("ShowWindow1");
  for (ToolWindow w : {Inspector, Timeline, Texture, CameraControl, SceneDivider})
    ShowWindowMenu->addAction(ToggleAction[w]);
  view->addSeparator();
  view->addAction(ToolbarsAction);
  view->addAction(StatusbarAction);
  view->addAction(StepbarAction);
  view->addSeparator();
  view->addAction(ZoomInAction);
  view->addAction(ZoomOutAction);
  view->addAction(FitAction);

  QMenu* ops = bar->addMenu("&Operations");
  ops->setObjectName("Operations1");
  ops->addAction(DefinePerspectiveAction);
  ops->addAction(DefineObjectsAction);
  ops->addAction(SetCameraPathAction);
  ops->addSeparator();
  ops->addAction(PreviewAction);

  QMenu* anim = bar->addMenu("&Animation");
  anim->setObjectName("Animation2");
  anim->addAction(PlayFileAction);
  anim->addSeparator();
  anim->addAction(SaveCameraPathAction);
  anim->addAction(LoadCameraPathAction);
  anim->addAction(CameraPresetsAction);

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help1");
  help->addAction(TutorialAction);
  help->addAction(AboutAction);

  // The menu bar sits on a movable tool bar of its own.
  toolBarMenu_ = new QToolBar("Menu", this);
  toolBarMenu_->setObjectName("ToolBarMenu");
  toolBarMenu_->addWidget(bar);
  addToolBar(Qt::TopToolBarArea, toolBarMenu_);
  addToolBarBreak();
}

void TMainForm::CreateToolBars() {
  toolBarIcon_ = new QToolBar("Tools", this);
  toolBarIcon_->setObjectName("ToolBarIcon");
  toolBarIcon_->setIconSize(QSize(20, 20));
  toolBarIcon_->addAction(NewAction);
  toolBarIcon_->addAction(OpenAction);
  if (auto* openButton = qobject_cast<QToolButton*>(toolBarIcon_->widgetForAction(OpenAction))) {
    openButton->setObjectName("OpenToolButton");
    openButton->setMenu(reopenMenu_);
    openButton->setPopupMode(QToolButton::MenuButtonPopup);
  }
  toolBarIcon_->addAction(SaveAction);
  toolBarIcon_->addSeparator();
  toolBarIcon_->addAction(UndoAction);
  toolBarIcon_->addAction(RedoAction);
  toolBarIcon_->addSeparator();
  toolBarIcon_->addAction(StickyAction);
  if (QWidget* b = toolBarIcon_->widgetForAction(StickyAction)) b->setObjectName("StickyFormTB");
  addToolBar(Qt::TopToolBarArea, toolBarIcon_);
}

void TMainForm::CreateStepBar() {
  outBarPanel_ = new QWidget(this);
  outBarPanel_->setObjectName("OutBarPanel");
  auto* layout = new QVBoxLayout(outBarPanel_);
  layout->setContentsMargins(2, 2, 2, 2);
  outBar_ = new QTreeWidget(outBarPanel_);
  outBar_->setObjectName("OutBar1");
  outBar_->setHeaderHidden(true);
  outBar_->setIconSize(QSize(32, 32));
  outBar_->setRootIsDecorated(false);
  outBar_->setIndentation(8);
  outBar_->setFixedWidth(200);
  layout->addWidget(outBar_);
  const struct {
    const char* group;
    std::vector<std::pair<const char*, int>> items;
  } groups[] = {
      {"Step1: Input", {{"Original Picture", 0}, {"Object Mask", 1}, {"Background Picture", 2}}},
      {"Step 2: Definition",
       {{"Subs-Scenes", 9}, {"Sub-Scenes Perspective", 3}, {"Foreground Objects", 4}}},
      {"Step 3: Settings", {{"Camera Settings", 5}}},
      {"Step 4: Output", {{"Output To File...", 7}, {"Internal Player", 8}}},
  };
  QFont bold = outBar_->font();
  bold.setBold(true);
  for (const auto& g : groups) {
    auto* group = new QTreeWidgetItem(outBar_, QStringList(g.group));
    group->setFont(0, bold);
    group->setData(0, Qt::UserRole, -1);
    for (const auto& [caption, image] : g.items) {
      auto* item = new QTreeWidgetItem(group, QStringList(caption));
      item->setIcon(0, StepIcon(image));
      item->setData(0, Qt::UserRole, image);
    }
    group->setExpanded(true);
  }
  connect(outBar_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
    if (item->isDisabled()) return;
    switch (item->data(0, Qt::UserRole).toInt()) {
      case 0:
        ShowPage(0);
        break;
      case 1:
        ShowPage(1);
        break;
      case 2:
        ShowPage(2);
        break;
      case 3:
        ShowPage(3);
        break;
      case 4:
        ShowPage(4);
        break;
      case 5:
        ShowPage(5);
        break;
      case 7:
        if (TToolForm* f = FindToolForm("TOutputAVIForm")) f->show();
        break;
      case 8:
        if (TToolForm* f = FindToolForm("TAVIPlayerForm")) f->show();
        break;
      case 9:
        ShowSceneDivider();
        break;
      default:
        break;  // the group captions do nothing
    }
    // The windows opened from the step bar are not pages: the page shown stays highlighted.
    SelectStepItem(CurrentPage());
  });
}

void TMainForm::SelectStepItem(int page) {
  for (int g = 0; g < outBar_->topLevelItemCount(); ++g) {
    QTreeWidgetItem* group = outBar_->topLevelItem(g);
    for (int i = 0; i < group->childCount(); ++i) {
      if (group->child(i)->data(0, Qt::UserRole).toInt() == page) {
        outBar_->setCurrentItem(group->child(i));
        return;
      }
    }
  }
}

void TMainForm::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 5; ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QString("StatusPanel%1").arg(i));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  panels_[0]->setPixmap(StepIcon(0).pixmap(16, 16));
  panels_[0]->setFixedWidth(24);
  panels_[0]->setEnabled(false);
  panels_[1]->setFixedWidth(60);
  SetHint(panels_[1], "Scaling Factor");
  panels_[2]->setMinimumWidth(130);
  gauge_ = new QProgressBar(bar);
  gauge_->setObjectName("StatusGauge");
  gauge_->setRange(0, 100);
  gauge_->setFixedWidth(0);
  gauge_->setVisible(false);
  bar->addWidget(panels_[0]);
  bar->addWidget(panels_[1]);
  bar->addWidget(panels_[2]);
  bar->addWidget(gauge_);
  bar->addWidget(panels_[4], 1);
  panels_[3] = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Pages, title, menus

int TMainForm::CurrentPage() const { return pages_->currentIndex(); }

void TMainForm::ShowPage(int index) {
  if (index < 0 || index >= pages_->count()) return;
  QTabBar* tabs = pages_->tabBar();
  for (int i = 0; i < pages_->count(); ++i) tabs->setTabVisible(i, i == index);
  pages_->setCurrentIndex(index);
  project_.Page = index;
  SelectStepItem(index);
  auto* bottom = static_cast<QHBoxLayout*>(BottomPanel(index)->layout());
  if (index == 3 || index == 4) {
    regionCBPanel_->setParent(BottomPanel(index));
    bottom->addWidget(regionCBPanel_, 1);
    regionCBPanel_->show();
  }
  panelUp_->setParent(BottomPanel(index));
  panelDown_->setParent(BottomPanel(index));
  bottom->addWidget(panelUp_);
  bottom->addWidget(panelDown_);
  panelUp_->setVisible(index != 0);
  panelDown_->setVisible(index != pages_->count() - 1);
}

void TMainForm::ShowWorkArea(bool visible) {
  outBarPanel_->setVisible(visible && StepbarAction->isChecked());
  pages_->setVisible(visible);
}

void TMainForm::SetTitle(const QString& text) {
  titleText_ = text;
  RefreshTitle();
}

void TMainForm::RefreshTitle() {
  // An asterisk after the project's name while it has unsaved changes.
  setWindowTitle(titleText_.isEmpty()
                     ? QString("glKOV")
                     : "glKOV - [" + titleText_ + (project_.Modified ? "*" : "") + "]");
}

void TMainForm::UpdateMenus() {
  // A mask made in the program has no file until the project is saved.
  const bool ready = !project_.PictureFilename.empty() &&
                     (!project_.MaskFilename.empty() || !project_.IMask.Empty()) &&
                     !project_.BackgroundFilename.empty();
  const bool files = ready || newProjectStarted_;
  SaveAction->setEnabled(files);
  SaveAsAction->setEnabled(files);
  ImportMenu->menuAction()->setEnabled(files);
  for (QAction* a : ImportMenu->actions()) a->setEnabled(files);
  CloseAction->setEnabled(files);
  for (QAction* a :
       {StepbarAction, DefinePerspectiveAction, DefineObjectsAction, SetCameraPathAction,
        PreviewAction, SaveCameraPathAction, LoadCameraPathAction})
    a->setEnabled(true);
  ShowWindowMenu->menuAction()->setEnabled(true);
  UpdateToolToggles();
  SetStepItemEnabled("Output To File...", timeline_.ListExists() && timeline_.KeyCount() > 1);
  outBar_->viewport()->update();
}

void TMainForm::SetStepItemEnabled(const QString& caption, bool enabled) {
  const auto found = outBar_->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
  for (QTreeWidgetItem* item : found) item->setDisabled(!enabled);
}

void TMainForm::SetPanelText(int panel, const QString& text) {
  if (panel == 3) return;
  panels_[panel]->setText(text);
}

QString TMainForm::PanelText(int panel) const {
  if (panel == 3) return QString::number(gauge_->value());
  return panels_[panel]->text();
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    panels_[4]->setText(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Resize) {
    for (int i = 0; i < 3; ++i)
      if (watched == pageArea_[i])
        emptyPanel_[i]->setGeometry(pageArea_[i]->rect().adjusted(1, 1, -1, -1));
    // The views are laid out again whatever page shows them: the window, the status bar or the
    // step bar changed the work area.
    if (CurrentPage() >= 0 && watched == pageArea_[CurrentPage()])
      LayoutViews(project_.PicWidth, project_.PicHeight);
  }
  return QMainWindow::eventFilter(watched, e);
}

}  // namespace glkov::app
