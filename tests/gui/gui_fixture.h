#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QString>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "model/project_test_helpers.h"
#include "support/test_app.h"
#include "support/test_support.h"

namespace glkov::testing {

// The named child of root; a test failure when there is none.
template <class T = QWidget>
T* Find(QObject* root, const char* name) {
  T* w = root->findChild<T*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// Sends a mouse event straight to a widget (positions in its own pixels).
inline void Mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                  Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

// Drags a widget's point at grab by delta: press, move, release.
inline void Drag(QWidget* w, QPoint grab, QPoint delta, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers mods = Qt::NoModifier) {
  Mouse(w, QEvent::MouseButtonPress, grab, button, button, mods);
  Mouse(w, QEvent::MouseMove, grab + delta, Qt::NoButton, button, mods);
  Mouse(w, QEvent::MouseButtonRelease, grab + delta, button, Qt::NoButton, mods);
}

inline bool HasDisplay() { return QApplication::platformName() == QLatin1String("xcb"); }

// Scripted answers for the main window's dialogs, and a record of what it showed.
struct DialogScript {
  std::deque<QString> files;  // answers of file dialogs, in order; empty deque: cancelled
  std::deque<bool> answers;   // answers of Yes/No questions; empty deque: No
  int cancels = 0;            // the next this many Yes/No/Cancel questions answer Cancel
  std::optional<QString> input;
  QStringList fileTitles, fileDirs, fileFilters, questions, errors, infos;
  std::vector<QWidget*> fileParents;  // the window each file dialog belongs to
  int execs = 0;
};

class GuiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TestApp();
    QApplication::setApplicationName("glKOV");
    QApplication::setOrganizationName("glKOV");
  }

  void SetUp() override {
    qputenv("GLKOV_CONFIG_DIR", QByteArray::fromStdString((dir_ / "config").string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir_ / "data").string()));
  }

  app::TDialogs Dialogs() {
    app::TDialogs d;
    auto file = [this](QWidget* parent, const QString& title, const QString& dir,
                       const QString& filter) {
      script.fileParents.push_back(parent);
      script.fileTitles << title;
      script.fileDirs << dir;
      script.fileFilters << filter;
      if (script.files.empty()) return QString();
      QString f = script.files.front();
      script.files.pop_front();
      return f;
    };
    d.OpenFile = file;
    d.SaveFile = file;
    d.AskYesNo = [this](QWidget*, const QString& text, const QString&) {
      script.questions << text;
      if (script.answers.empty()) return false;
      const bool a = script.answers.front();
      script.answers.pop_front();
      return a;
    };
    d.AskYesNoCancel = [this, ask = d.AskYesNo](QWidget* w, const QString& text,
                                                const QString& title) {
      if (script.cancels > 0) {
        --script.cancels;
        script.questions << text;
        return app::TAnswer::Cancel;
      }
      return ask(w, text, title) ? app::TAnswer::Yes : app::TAnswer::No;
    };
    d.ShowError = [this](QWidget*, const QString& text) { script.errors << text; };
    d.ShowInfo = [this](QWidget*, const QString& text) { script.infos << text; };
    d.InputText = [this](QWidget*, const QString&, const QString&,
                         const QString& text) -> std::optional<QString> {
      script.questions << text;
      return script.input;
    };
    d.Exec = [this](QDialog*) {
      ++script.execs;
      return 0;
    };
    return d;
  }

  std::unique_ptr<app::TMainForm> MakeForm(const QString& startupFile = {}) {
    app::TMainForm::Options o;
    o.StartupFile = startupFile;
    auto form = std::make_unique<app::TMainForm>(o, Dialogs());
    form->resize(1000, 700);
    return form;
  }

  // The sample room copied into the test folder, opened in a shown main window on the 3D page.
  std::unique_ptr<app::TMainForm> OpenRoom() {
    for (const auto& entry : std::filesystem::directory_iterator(SourceDir() / "examples" / "room"))
      std::filesystem::copy_file(entry.path(), dir_ / entry.path().filename());
    auto form = MakeForm();
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(form->OpenProjectFile(Path("room.kov"))) << script.errors.join("\n").toStdString();
    form->ShowPage(5);
    QApplication::processEvents();
    return form;
  }

  // A project of three 90 x 60 pictures saved as name in the test folder, open in a new window.
  std::unique_ptr<app::TMainForm> SavedProject(const std::string& name) {
    auto form = MakeForm();
    form->NewProject();
    EXPECT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 90, 60)));
    EXPECT_TRUE(form->ImportPicture(1, MakePicture("m.bmp", 90, 60, 1)));
    EXPECT_TRUE(form->ImportPicture(2, MakePicture("b.bmp", 90, 60, 2)));
    script.files = {Path(name)};
    EXPECT_TRUE(form->SaveProjectAs());
    return form;
  }

  QString Path(const std::string& name) const {
    return QString::fromStdString((dir_ / name).string());
  }

  // A picture of w x h pixels written as a BMP file; colour varies with the position.
  QString MakePicture(const std::string& name, int w, int h, int seed = 0) {
    SaveBMP((dir_ / name).string(), GradientPicture(w, h, seed));
    return Path(name);
  }

  TempDir dir_;
  DialogScript script;
};

}  // namespace glkov::testing
