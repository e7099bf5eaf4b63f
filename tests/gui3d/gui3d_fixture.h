#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <deque>

#include "app/form_dialogs.h"
#include "support/test_app.h"
#include "support/test_support.h"

namespace glkov::testing {

// Scripted answers for a tool window's dialogs, and a record of what it showed.
struct FormScript {
  std::deque<QString> files;  // answers of file dialogs, in order; none left: cancelled
  std::deque<bool> answers;   // answers of Yes/No questions; none left: No
  QStringList fileTitles, questions, errors;
};

// The named child of root; a test failure when there is none.
template <class T>
T* Find(QObject& root, const char* name) {
  T* w = root.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

class Gui3dTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TestApp(); }

  app::TFormDialogs Dialogs() {
    app::TFormDialogs d;
    auto file = [this](QWidget*, const QString& title, const QString&, const QString&,
                       const QString&) {
      script.fileTitles << title;
      if (script.files.empty()) return QString();
      QString f = script.files.front();
      script.files.pop_front();
      return f;
    };
    d.OpenFile = file;
    d.SaveFile = file;
    d.AskYesNo = [this](QWidget*, const QString& text) {
      script.questions << text;
      if (script.answers.empty()) return false;
      const bool a = script.answers.front();
      script.answers.pop_front();
      return a;
    };
    d.Error = [this](QWidget*, const QString& text) { script.errors << text; };
    return d;
  }

  TempDir dir_;
  FormScript script;
};

}  // namespace glkov::testing
