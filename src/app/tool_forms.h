#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>

#include "core/config/ini_file.h"

namespace glkov::app {

// A tool window beside the main window. The windows whose work is not built yet are empty
// windows with their caption; each keeps its placement under its settings section.
class TToolForm : public QWidget {
  Q_OBJECT

 public:
  TToolForm(const QString& className, const QString& caption, const QString& section,
            QWidget* parent, bool stayOnTop);
  const QString& Section() const { return section_; }

  // Reads and writes the placement (and, in subclasses, the stored control values).
  virtual void RestoreSettings(const IniFile& settings);
  virtual void StoreSettings(IniFile& settings) const;

 signals:
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Every opening puts the whole window on the screen.
  void showEvent(QShowEvent* event) override;

 private:
  QString section_;
};

// Moves, and where it is larger than the screen shrinks, a top-level window so that its frame
// lies inside the available area of its screen (the primary screen when it is on none).
void KeepInsideScreen(QWidget& window);

// Reads and writes a window's placement in a section of the settings.
void RestorePlacement(const IniFile& settings, const std::string& section, QWidget& window);
void StorePlacement(IniFile& settings, const std::string& section, const QWidget& window);

// The options window: file-type association and nothing else.
class TOptionForm : public QDialog {
  Q_OBJECT

 public:
  explicit TOptionForm(QWidget* parent = nullptr);

 signals:
  void AssociateClicked();
};

// The about window: program name, version and a "Close" button (Escape closes it too).
class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* parent = nullptr);
};

// The splash window: borderless, on top, centred; agrees to close after two seconds.
class TSplashForm : public QWidget {
  Q_OBJECT

 public:
  explicit TSplashForm(int milliseconds = 2000);
  bool CanClose() const { return elapsed_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool elapsed_ = false;
};

}  // namespace glkov::app
