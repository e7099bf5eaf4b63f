#include "app/texture_form.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/scene/texture_view.h"

namespace glkov {

TTextureForm::TTextureForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName("TextureForm");
  setWindowTitle("Texture");
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("ScrollBox1");
  ifgObj_ = new QLabel;
  ifgObj_->setObjectName("IfgObj");
  scroll_->setWidget(ifgObj_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  resize(320, 320);
}

void TTextureForm::ShowObjectTexture(const TfgObj& object) {
  if (object.Texels.empty() && !object.TexUploaded) {
    image_ = TFastBMP();
    setWindowTitle("Texture");
    ifgObj_->setText(
        QString::fromStdString("The 3D scene is not made yet:\n\"Make\" on the 3D page "
                               "gives\n\"" +
                               object.Name + "\" its texture."));
    ifgObj_->adjustSize();
    ifgObj_->show();
    show();
    return;
  }
  ObjectTextureView(object, image_);
  setWindowTitle(QString::fromStdString(TextureCaption(image_.Width(), image_.Height())));
  ShowImage();
}

void TTextureForm::ShowPlaneTexture(const TBoard& board) {
  if (PlaneTextureView(board, image_))
    setWindowTitle(QString::fromStdString(TextureCaption(image_.Width(), image_.Height())));
  ShowImage();
}

void TTextureForm::HideTexture() { ifgObj_->hide(); }

void TTextureForm::Clear() {
  image_ = TFastBMP();
  setWindowTitle("Texture");
  ifgObj_->clear();
  ifgObj_->resize(0, 0);
}

void TTextureForm::ShowImage() {
  if (image_.Empty()) {
    ifgObj_->clear();
    ifgObj_->resize(0, 0);
  } else {
    const QImage img(image_.Bits(), image_.Width(), image_.Height(),
                     static_cast<qsizetype>(image_.RowStride()), QImage::Format_BGR888);
    ifgObj_->setPixmap(QPixmap::fromImage(img.copy()));
    ifgObj_->resize(image_.Width(), image_.Height());
  }
  ifgObj_->show();
  show();
}

}  // namespace glkov
