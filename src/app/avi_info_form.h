#pragma once

// The information window of the player ("AVI File Information"): the lines the core reads from
// an AVI file's headers, and "OK".

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace glkov::app {

class TAVIInfoForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAVIInfoForm(QWidget* parent = nullptr);

  void SetLines(const QStringList& lines);
  QStringList Lines() const;

 private:
  QListWidget* ListBox1;
};

}  // namespace glkov::app
