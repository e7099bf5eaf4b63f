#include "app/masked_image_export.h"

#include <QInputDialog>

#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/objects/composite.h"

namespace glkov {

std::optional<QString> AskMaskedImageName(QWidget* parent, const QString& defaultName) {
  bool ok = false;
  const QString name = QInputDialog::getText(parent, "Please enter filename", "Filename",
                                             QLineEdit::Normal, defaultName, &ok);
  if (!ok || name.isEmpty()) return std::nullopt;
  return name;
}

std::optional<QString> ExportMaskedImage(const TProject& project, const AskFileName& ask) {
  // Compose first, so that pictures of different sizes are refused before anything is asked.
  const TFastBMP composed =
      ComposeMaskedImage(project.IOriginal, project.IMask, project.IBackground);
  const std::optional<QString> name = ask(QString::fromStdString(project.ProjectDir) + "out.bmp");
  if (!name) return std::nullopt;
  SaveBMP(name->toStdString(), composed);
  return name;
}

}  // namespace glkov
