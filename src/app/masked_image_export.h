#pragma once

// The "Masked Image..." export: asks for the file name and writes the composite picture.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace glkov {

struct TProject;

// Asks for a file name ("Please enter filename", "Filename", default ProjectDir + "out.bmp");
// nullopt when cancelled.
using AskFileName = std::function<std::optional<QString>(const QString& defaultName)>;
std::optional<QString> AskMaskedImageName(QWidget* parent, const QString& defaultName);

// Writes the masked image of the three whole pictures under the name asked for; Cancel writes
// nothing. Returns the name written, or nullopt. Throws glkov::Error when the pictures are
// missing or differ in size, or the file cannot be written.
std::optional<QString> ExportMaskedImage(const TProject& project, const AskFileName& ask);

}  // namespace glkov
