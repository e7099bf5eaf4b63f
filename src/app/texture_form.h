#pragma once

// The texture viewer: the texture of the plane or object picked in the inspector.

#include <QWidget>

#include "core/image/fast_bmp.h"
#include "core/model/project.h"
#include "core/model/types.h"

class QLabel;
class QScrollArea;

namespace glkov {

class TTextureForm : public QWidget {
  Q_OBJECT

 public:
  explicit TTextureForm(QWidget* parent = nullptr);

  // Shows an object's texture weighted by its alpha; the caption names its size. Before the scene
  // is made the object has no texture: the viewer says so.
  void ShowObjectTexture(const TfgObj& object);
  // Before the scene is made: the object's picture cut from the working original with its mask,
  // negative when negative is set; the caption says it is the picture before Make.
  void ShowObjectCutOut(const TProject& project, int index, bool negative);
  // The object whose cut-out is shown, -1 when none is.
  int CutOutObject() const { return cutOutObject_; }
  // Shows a plane's texture; a plane not yet uploaded leaves the view as it was.
  void ShowPlaneTexture(const TBoard& board);
  // A node that is neither a plane nor an object: the picture is hidden.
  void HideTexture();
  // Shows nothing (the project was closed).
  void Clear();

  const TFastBMP& Image() const { return image_; }
  QLabel* IfgObj() const { return ifgObj_; }

 private:
  void ShowImage();
  void ShowMessage(const QString& text);

  QScrollArea* scroll_ = nullptr;
  QLabel* ifgObj_ = nullptr;
  TFastBMP image_;
  int cutOutObject_ = -1;
};

}  // namespace glkov
