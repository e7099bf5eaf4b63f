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

namespace glkov::app {
namespace {

constexpr int kBottomPanelTag = 10;
const char* const kPictureFilter =
    "All Supported Files (*.jpg *.jpeg *.bmp);;JPEG Files (*.jpg *.jpeg);;BMP Files "
    "(*.bmp);;All files (*)";
const char* const kPictureDialogTitles[3] = {"Open Original Picture", "Open Object Mask",
                                             "Open Background Picture"};
const char* const kEmptyPanelCaption =
    "Drag File here or\nuse the Edit Box below\nto Import the Image";
const char* const kPageCaptions[6] = {"Original Picture",  "Foreground Mask",    "Background Image",
                                      "Scene Perspective", "Foreground Objects", "3D Scene"};

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

// Reports JPEG decoding progress in the status bar and keeps the window alive.
class TStatusCallbacks : public UiCallbacks {
 public:
  TStatusCallbacks(QProgressBar* gauge, QLabel* text) : gauge_(gauge), text_(text) {}
  ~TStatusCallbacks() override {
    gauge_->setFixedWidth(0);
    gauge_->setVisible(false);
  }
  void Progress(const std::string& stage, int percent) override {
    if (!gauge_->isVisible()) {
      gauge_->setFixedWidth(100);
      gauge_->setVisible(true);
    }
    gauge_->setValue(percent);
    text_->setText(QString::fromStdString(stage));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void PumpEvents() override {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  void Beep() override { QApplication::beep(); }

 private:
  QProgressBar* gauge_;
  QLabel* text_;
};

// An hourglass and a status text for the length of a long operation.
class TBusy {
 public:
  TBusy(QLabel* panel, const QString& text) : panel_(panel) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panel_->setText(text);
  }
  ~TBusy() {
    QApplication::restoreOverrideCursor();
    panel_->clear();
  }

 private:
  QLabel* panel_;
};

}  // namespace

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
  d.AskYesNo = [](QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
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
  setObjectName("MainForm");
  resize(1024, 720);
  undo_ = new QUndoStack(this);
  undo_->setUndoLimit(50);
  CreateActions();
  CreateMenus();
  CreateToolBars();
  CreateStepBar();
  CreatePages();
  CreateStatusBar();

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
  outBar_->setCurrentItem(outBar_->topLevelItem(0));
  for (int i = 0; i < 6; ++i) pages_->tabBar()->setTabVisible(i, i == 0);

  CreateToolWindows();
  ConnectSceneControls();
  RestoreSettings();
  RefreshRecentMenu();
  CloseProject();
  ShowPage(0);
  StartRecovery();
}

TMainForm::~TMainForm() = default;

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
      default:
        break;  // "Subs-Scenes" and the group captions do nothing
    }
  });
}

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

void TMainForm::CreateToolWindows() {
  const struct {
    const char* cls;
    const char* caption;
    const char* section;
    bool onTop;
  } forms[] = {
      {"TTextureForm", "Texture", "", false},
      {"TTimelineForm", "Animation Path", "", true},
      {"TOutputAVIForm", "Output to AVI Animation File", "", false},
      {"TExtractObjectForm", "Object Extraction", "Object Extraction", false},
      {"TInspectorForm", "Object Inspector", "Object Inspector", false},
      {"TCameraControlForm", "Controls", "", true},
      {"TOutputOptionForm", "Advanced Output Options", "Advanced Options", false},
      {"TAVIPlayerForm", "Internal AVI Player", "", false},
      {"TNevigatorForm", "Scene Divider", "", true},
      {"TRenderingForm", "Rendering in progress...", "", true},
      {"TForm1", "Form1", "", false},
  };
  CreateSceneWindows();
  for (const auto& f : forms) {
    if (FindToolForm(f.cls)) continue;
    allToolForms_.push_back(new TToolForm(f.cls, f.caption, f.section, this, f.onTop));
  }
  CreateView3DWindows();
  toolForms_[Timeline] = FindToolForm("TTimelineForm");
  toolForms_[CameraControl] = FindToolForm("TCameraControlForm");
  toolForms_[Inspector] = FindToolForm("TInspectorForm");
  toolForms_[Texture] = FindToolForm("TTextureForm");
  toolForms_[SceneDivider] = FindToolForm("TNevigatorForm");
  // The texture viewer and the scene divider clear their flags when closed by other means.
  for (ToolWindow w : {Texture, SceneDivider}) {
    connect(toolForms_[w], &TToolForm::Closed, this, [this, w] {
      toolVisible_[w] = false;
      ToggleAction[w]->setChecked(false);
    });
  }
}

TToolForm* TMainForm::FindToolForm(const QString& className) const {
  for (TToolForm* f : allToolForms_)
    if (f->objectName() == className) return f;
  return nullptr;
}

QWidget* TMainForm::BottomPanel(int page) const {
  return bottomPanel_[page] ? bottomPanel_[page] : bottomPanel_[0];
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
  setWindowTitle(text.isEmpty() ? QString("glKOV") : "glKOV - [" + text + "]");
}

void TMainForm::UpdateMenus() {
  const bool ready = !project_.PictureFilename.empty() && !project_.MaskFilename.empty() &&
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
  for (QAction* a : ToggleAction) a->setEnabled(true);
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
    for (int i = 0; i < 3; ++i) {
      if (watched == pageArea_[i]) {
        emptyPanel_[i]->setGeometry(pageArea_[i]->rect().adjusted(1, 1, -1, -1));
        if (i == 0) LayoutViews(project_.PicWidth, project_.PicHeight);
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------------------------
// View layout

void TMainForm::LayoutViews(int w, int h) {
  if (!project_.OriginalLoaded) return;
  const int bottom = bottomPanel_[0]->minimumHeight();
  const int aw = pages_->widget(0)->width() - 2;
  const int ah = pages_->widget(0)->height() - bottom - 2;
  layout_ = glkov::LayoutViews(aw, ah, w, h);
  SetPanelText(1, QString::fromStdString(ScaleText(layout_.FitScale)));
  const QRect r(layout_.Left + 1, layout_.Top + 1, layout_.DisplayWidth, layout_.DisplayHeight);
  for (TPictureView* v : pictureView_) v->setGeometry(r);
  meshPanel_->setGeometry(r);
  meshImage_->setGeometry(0, 0, r.width(), r.height());
  objImage_->setGeometry(r);
  glPanel_->setGeometry(r);
  PlaceGLView();
  PlaceHandles();
  DrawMesh();
}

// ---------------------------------------------------------------------------------------------
// Mesh editor

void TMainForm::DrawMesh() {
  const TFastBMP* backdrops[3] = {&project_.IOriginal_r, &project_.IMask_r,
                                  &project_.IBackground_r};
  const TFastBMP* backdrop = backdrops[std::clamp(meshBackdrop_, 1, 3) - 1];
  if (meshImage_->Picture() != backdrop || (backdrop && backdrop->Empty()))
    meshImage_->SetPicture(backdrop);
  meshImage_->SetMesh(glkov::DrawMesh(
      project_,
      {.FitScale = layout_.FitScale, .EditView = true, .HasBackdrop = !backdrop->Empty()}));
  if (project_.PerspectiveDone || objImage_->Picture() != &project_.IMask_r) {
    if (objImage_->Picture() != &project_.IMask_r) objImage_->SetPicture(&project_.IMask_r);
    objImage_->SetMesh(glkov::DrawMesh(project_, {.FitScale = layout_.FitScale,
                                                  .EditView = false,
                                                  .HasBackdrop = !project_.IMask_r.Empty()}));
  }
}

void TMainForm::PlaceHandles() {
  const int h = handles_[0]->width() / 2;
  for (TMeshHandle* handle : handles_) {
    const std::optional<PointD> point = HandlePoint(project_, handle->Tag());
    if (!point) continue;
    const DisplayPoint d = PictureToDisplay(*point, layout_.FitScale, project_.PicHeight);
    handle->move(d.X - h, d.Y - h);
    handle->raise();
  }
}

void TMainForm::SetHandlesVisible(bool visible) {
  for (TMeshHandle* h : handles_) h->setVisible(visible);
}

void TMainForm::HandlePressed(TMeshHandle* handle, QPoint pos) {
  if (!handle->isEnabled()) return;
  draggingHandle_ = true;
  handleGrab_ = pos;
  dragStart_ = CurrentMeshState();
  handle->grabMouse();
}

void TMainForm::HandleMoved(TMeshHandle* handle, QPoint pos) {
  InnerRectMouseMove(handle, pos);
  if (!draggingHandle_) return;
  const int h = handle->width() / 2;
  QPoint centre = handle->pos() + (pos - handleGrab_) + QPoint(h, h);
  // The handle stays on the picture (the cursor confinement of other desktops).
  centre.setX(std::clamp(centre.x(), 0, std::max(0, layout_.DisplayWidth - 1)));
  centre.setY(std::clamp(centre.y(), 0, std::max(0, layout_.DisplayHeight - 1)));
  handle->move(centre - QPoint(h, h));
  MoveHandle(project_, handle->Tag(), centre.x(), centre.y(), layout_.FitScale);
  PlaceHandles();
  DrawMesh();
}

void TMainForm::HandleReleased(TMeshHandle* handle) {
  if (!draggingHandle_) return;
  draggingHandle_ = false;
  handle->releaseMouse();
  StoreWorkingRegion(project_);
  if (!(CurrentMeshState() == dragStart_)) PushMeshEdit("Move Control Point", dragStart_);
}

void TMainForm::InnerRectMouseMove(QWidget* sender, QPoint pos) {
  const QPoint p = sender == pictureView_[0] ? pos : sender->pos() + pos;
  SetPanelText(2, QString(" X: %1 Y: %2 ").arg(p.x()).arg(p.y()));
}

TMeshState TMainForm::CurrentMeshState() const {
  const TProject& p = project_;
  return {p.InnerLeft,   p.InnerRight,    p.InnerBottom, p.InnerTop,    p.VanishX,        p.VanishY,
          p.FocalLength, p.GridDivisions, p.GridOffsetX, p.GridOffsetY, p.PerspectiveDone};
}

void TMainForm::ApplyMeshState(const TMeshState& s) {
  TProject& p = project_;
  p.InnerLeft = s.InnerLeft;
  p.InnerRight = s.InnerRight;
  p.InnerBottom = s.InnerBottom;
  p.InnerTop = s.InnerTop;
  p.VanishX = s.VanishX;
  p.VanishY = s.VanishY;
  p.FocalLength = s.FocalLength;
  p.GridDivisions = s.GridDivisions;
  p.GridOffsetX = s.GridOffsetX;
  p.GridOffsetY = s.GridOffsetY;
  p.PerspectiveDone = s.PerspectiveDone;
  p.Modified = true;
  StoreWorkingRegion(p);
  SyncDoneControls();
  PlaceHandles();
  DrawMesh();
}

void TMainForm::PushMeshEdit(const QString& text, const TMeshState& before) {
  project_.Modified = true;
  undo_->push(new TMeshEditCommand(this, text, before, CurrentMeshState()));
}

void TMainForm::SyncDoneControls() {
  const bool done = project_.PerspectiveDone;
  syncing_ = true;
  perspectiveDone_->setChecked(done);
  syncing_ = false;
  for (TMeshHandle* h : handles_) {
    h->setEnabled(!done);
    h->SetChecked(done);
  }
  meshImage_->setEnabled(!done);
  if (done) meshMouseDown_ = false;
  SetStepItemEnabled("Camera Settings", done);
  outBar_->viewport()->update();
}

void TMainForm::SetPerspectiveDone(bool done) {
  if (syncing_) return;
  const TMeshState before = CurrentMeshState();
  project_.PerspectiveDone = done;
  StoreWorkingRegion(project_);
  SyncDoneControls();
  if (done) DrawMesh();
  if (!(before == CurrentMeshState())) PushMeshEdit(done ? "Done" : "Undone", before);
}

void TMainForm::DefaultMeshButtonClick() {
  if (!project_.OriginalLoaded) return;
  const TMeshState before = CurrentMeshState();
  ResetMeshDefaults(project_);
  project_.PerspectiveDone = false;
  meshBackdrop_ = 1;
  StoreWorkingRegion(project_);
  SyncDoneControls();
  DrawMesh();
  PlaceHandles();
  if (!(before == CurrentMeshState())) PushMeshEdit("Default Mesh", before);
}

void TMainForm::TBSetFOVClick() {
  if (!project_.OriginalLoaded) return;
  const QString current =
      QString::fromStdString(FormatG15(FieldOfView(project_.FocalLength, project_.PicWidth)));
  const auto answer = dialogs_.InputText(this, "Input Field of view", "FOV( in degree)", current);
  const QString text = answer.value_or(current);
  Run([&] {
    const TMeshState before = CurrentMeshState();
    SetFieldOfView(project_, text.toStdString());
    DrawMesh();
    if (!(before == CurrentMeshState())) PushMeshEdit("Field of View", before);
  });
}

void TMainForm::SetMeshBackdrop(int tag) {
  meshBackdrop_ = std::clamp(tag, 1, 3);
  DrawMesh();
}

// ---------------------------------------------------------------------------------------------
// Project commands

bool TMainForm::AskSaveProject() {
  project_.Modified = false;
  if (!dialogs_.AskYesNo(this, "Save project before proceeding?", "Comfirmation")) return true;
  if (SaveProject()) return true;
  // Nothing is discarded after a failed save: the project stays open and modified.
  project_.Modified = true;
  return false;
}

bool TMainForm::CloseProject() {
  if (project_.Modified && !AskSaveProject()) return false;
  ShowWorkArea(false);
  const bool started = newProjectStarted_;
  glkov::CloseProject(project_, timeline_);
  DropRecovery();
  newProjectStarted_ = started;
  undo_->clear();
  for (TFileNameEdit* e : fileEdit_) e->clear();
  meshPanel_->hide();
  objImage_->hide();
  project_.PerspectiveDone = false;
  SyncDoneControls();
  for (TPictureView* v : pictureView_) {
    v->hide();
    v->SetPicture(nullptr);
  }
  meshImage_->SetPicture(nullptr);
  objImage_->SetPicture(nullptr);
  for (QAction* a :
       {StepbarAction, DefinePerspectiveAction, DefineObjectsAction, SetCameraPathAction,
        PreviewAction, SaveCameraPathAction, LoadCameraPathAction, SaveAction, CloseAction})
    a->setEnabled(false);
  ImportMenu->menuAction()->setEnabled(false);
  for (QAction* a : ImportMenu->actions()) a->setEnabled(false);
  ShowWindowMenu->menuAction()->setEnabled(false);
  for (QAction* a : ToggleAction) a->setEnabled(false);
  for (const char* name : {"RevertToolButton", "ClearObjectsButton"})
    if (auto* b = findChild<QWidget*>(name)) b->setEnabled(false);
  glPanel_->hide();
  View3DClosed();
  for (TDropPanel* p : emptyPanel_) p->show();
  SetTitle("");
  SetHandlesVisible(false);
  layout_ = ViewLayout{};
  SetPanelText(1, "");
  panels_[0]->setEnabled(false);
  outBar_->setCurrentItem(outBar_->topLevelItem(0));
  for (const char* item : {"Subs-Scenes", "Sub-Scenes Perspective", "Foreground Objects",
                           "Camera Settings", "Output To File...", "Internal Player"})
    SetStepItemEnabled(item, false);
  toolForms_[SceneDivider]->hide();
  toolVisible_[SceneDivider] = false;
  ToggleAction[SceneDivider]->setChecked(false);
  regionCB_->clear();
  SceneWindowsClosed();
  return true;
}

bool TMainForm::NewProject() {
  if (!CloseProject()) return false;
  newProjectStarted_ = true;
  project_.NewProjectStarted = true;
  UpdateMenus();
  SetTitle("Untitled");
  ShowPage(0);
  ShowWorkArea(true);
  toolVisible_[SceneDivider] = true;
  ToggleAction[SceneDivider]->setChecked(true);
  toolForms_[SceneDivider]->show();
  return true;
}

bool TMainForm::OpenProject() {
  const QString file =
      dialogs_.OpenFile(this, "Open KOV Project", QCoreApplication::applicationDirPath(),
                        "KOV Project Files (*.kov);;Text Files (*.txt);;Text Files (*)");
  if (file.isEmpty()) return false;
  return OpenProjectFile(file);
}

bool TMainForm::OpenProjectFile(const QString& fileName) {
  if (!CloseProject()) return false;
  ResetMeshDefaults(project_);
  TStatusCallbacks callbacks(gauge_, panels_[4]);
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Loading scene ");
    LoadProject(project_, timeline_, fileName.toStdString(), callbacks);
  });
  AfterProjectChanged();
  if (!ok) return false;
  project_.ProjectFileName = fileName.toStdString();
  project_.ProjectDir = QFileInfo(fileName).absolutePath().toStdString() + "/";
  project_.Modified = false;
  SetTitle(QString::fromStdString(ProjectTitle(fileName.toStdString())));
  ShowPage(project_.Page);
  PushRecent(fileName);
  return true;
}

bool TMainForm::SaveProject() {
  if (project_.ProjectFileName.empty()) return SaveProjectAs();
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Saving project...");
    glkov::SaveProject(project_, project_.ProjectFileName);
  });
  if (ok) project_.Modified = false;
  if (ok) DropRecovery();
  return ok;
}

bool TMainForm::SaveProjectAs() {
  const QString preset = QString::fromStdString(project_.ProjectFileName);
  QString file =
      dialogs_.SaveFile(this, "Save KOV Project",
                        preset.isEmpty() ? QString::fromStdString(project_.ProjectDir) : preset,
                        "KOV Project Files (*.kov);;All Files (*)");
  if (file.isEmpty()) return false;
  if (QFileInfo(file).suffix().isEmpty()) file += ".kov";
  const bool ok = Run([&] {
    TBusy busy(panels_[4], "Saving project...");
    glkov::SaveProject(project_, file.toStdString());
  });
  if (!ok) return false;
  project_.ProjectFileName = file.toStdString();
  project_.ProjectDir = QFileInfo(file).absolutePath().toStdString() + "/";
  project_.Modified = false;
  DropRecovery();
  SetTitle(QFileInfo(file).absoluteFilePath());
  return true;
}

void TMainForm::PushRecent(const QString& fileName) {
  std::vector<std::string> list;
  for (const QString& f : ReadRecentFiles()) list.push_back(f.toStdString());
  PushRecentFile(list, QFileInfo(fileName).absoluteFilePath().toStdString());
  QStringList files;
  for (const std::string& f : list) files << QString::fromStdString(f);
  Run([&] { WriteRecentFiles(files); });
  RefreshRecentMenu();
}

void TMainForm::RefreshRecentMenu() {
  reopenMenu_->clear();
  for (const QString& f : ReadRecentFiles()) {
    QAction* a = reopenMenu_->addAction(f);
    a->setData(f);
    a->setStatusTip("Reopen " + f);
    connect(a, &QAction::triggered, this, [this, f] { OpenProjectFile(f); });
  }
  reopenMenu_->addSeparator();
  reopenMenu_->addAction(ClearRecentAction);
  reopenMenu_->addAction(RemoveObsoleteAction);
}

// ---------------------------------------------------------------------------------------------
// Picture import

void TMainForm::ImportPictureDialog(int tag) {
  const QString current = fileEdit_[tag]->text();
  const QString start = current.isEmpty() ? QCoreApplication::applicationDirPath()
                                          : QFileInfo(current).absolutePath();
  const QString file = dialogs_.OpenFile(this, kPictureDialogTitles[tag], start, kPictureFilter);
  if (file.isEmpty()) return;
  ImportPicture(tag, file);
}

bool TMainForm::ImportPicture(int tag, const QString& fileName) {
  if (fileName.isEmpty() || tag < 0 || tag > 2) return false;
  fileEdit_[tag]->setText(fileName);
  auto before = std::make_shared<TProject>(project_);
  TStatusCallbacks callbacks(gauge_, panels_[4]);
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
  if (tag == 0) {
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

// ---------------------------------------------------------------------------------------------
// Tool windows

void TMainForm::ToggleToolWindow(ToolWindow which) {
  if (!toolVisible_[which]) {
    toolForms_[which]->show();
    toolVisible_[which] = true;
  } else {
    toolVisible_[which] = false;
    toolForms_[which]->close();
  }
  ToggleAction[which]->setChecked(toolVisible_[which]);
}

void TMainForm::HideToolWindows() {
  for (TToolForm* f : toolForms_)
    if (f->isVisible()) f->hide();
}

void TMainForm::RestoreToolWindows() {
  for (int i = 0; i < ToolWindowCount; ++i)
    if (toolVisible_[i]) toolForms_[i]->show();
}

void TMainForm::MoveToolWindows() {
  const QPoint now = pos();
  if (StickyAction->isChecked()) {
    const QPoint delta = now - lastPos_;
    for (TToolForm* f : toolForms_) f->move(f->pos() + delta);
  }
  lastPos_ = now;
}

void TMainForm::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  MoveToolWindows();
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (firstShow_ && OfferRecovery()) options_.StartupFile.clear();
  if (firstShow_ && !options_.StartupFile.isEmpty()) {
    firstShow_ = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
          const QString file = options_.StartupFile;
          ResetMeshDefaults(project_);
          TStatusCallbacks callbacks(gauge_, panels_[4]);
          const bool ok = Run([&] {
            TBusy busy(panels_[4], "Loading scene ");
            LoadProject(project_, timeline_, file.toStdString(), callbacks);
          });
          AfterProjectChanged();
          if (!ok) return;
          project_.ProjectFileName = file.toStdString();
          project_.ProjectDir = QFileInfo(file).absolutePath().toStdString() + "/";
          project_.Modified = false;
          SetTitle(QString::fromStdString(ProjectTitle(file.toStdString())));
          ShowPage(project_.Page);
          ShowWorkArea(true);
          PushRecent(file);
        },
        Qt::QueuedConnection);
  }
  firstShow_ = false;
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (project_.Modified && !AskSaveProject()) {
    e->ignore();
    return;
  }
  project_.Modified = false;
  CloseProject();
  StoreSettings();
  for (TToolForm* f : allToolForms_) f->hide();
  e->accept();
}

// ---------------------------------------------------------------------------------------------
// Settings and file types

void TMainForm::RestoreSettings() {
  IniFile ini;
  if (!Run([&] { ini = IniFile::Load(IniFileName().toStdString()); })) return;
  RestorePlacement(ini, "Setting", *this);
  const auto state = ini.Value("Setting", "ToolBarState");
  if (state) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*state)));
  StickyAction->setChecked(ini.BoolValue("Setting", "StickyFormTB.Down", false));
  for (TToolForm* f : allToolForms_) f->RestoreSettings(ini);
  lastPos_ = pos();
}

void TMainForm::StoreSettings() {
  Run([&] {
    const std::string name = IniFileName().toStdString();
    IniFile ini;
    try {
      ini = IniFile::Load(name);  // keeps what other versions stored
    } catch (const Error&) {
    }
    StorePlacement(ini, "Setting", *this);
    ini.SetValue("Setting", "ToolBarIcon.Top", toolBarIcon_->y());
    ini.SetValue("Setting", "ToolBarIcon.Left", toolBarIcon_->x());
    ini.SetValue("Setting", "ToolBarMenu.Left", toolBarMenu_->x());
    ini.SetValue("Setting", "ToolBarMenu.Top", toolBarMenu_->y());
    ini.SetValue("Setting", "StickyFormTB.Down", StickyAction->isChecked());
    ini.SetValue("Setting", "ToolBarState", saveState().toBase64().toStdString());
    for (TToolForm* f : allToolForms_) f->StoreSettings(ini);
    ini.Save(name);
  });
}

void TMainForm::RegisterFileType(const QString& extension, const QString& className,
                                 const QString& description, const QString& icon,
                                 const QString& command) {
  Run([&] {
    const auto a =
        PrepareFileType(extension.toStdString(), className.toStdString(), description.toStdString(),
                        icon.toStdString(), command.toStdString());
    if (!a) return;
    const QString data = UserDataFolder();
    WriteFileTypeAssociation(*a, data.toStdString());
    // Let the desktop know; missing tools only delay the association.
    const QString mimeTool = QStandardPaths::findExecutable("update-mime-database");
    if (!mimeTool.isEmpty()) QProcess::startDetached(mimeTool, {data + "/mime"});
    const QString desktopTool = QStandardPaths::findExecutable("update-desktop-database");
    if (!desktopTool.isEmpty()) QProcess::startDetached(desktopTool, {data + "/applications"});
    dialogs_.ShowInfo(this, QString::fromStdString(a->Message).replace("\r\n", "\n"));
  });
}

}  // namespace glkov::app
