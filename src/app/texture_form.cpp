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
  cutOutObject_ = -1;
  if (object.Texels.empty() && !object.TexUploaded) {
    ShowMessage(
        QString::fromStdString("The 3D scene is not made yet:\n\"Make\" on the 3D page "
                               "gives\n\"" +
                               object.Name + "\" its texture."));
    return;
  }
  ObjectTextureView(object, image_);
  setWindowTitle(QString::fromStdString(TextureCaption(image_.Width(), image_.Height())));
  ShowImage();
}

void TTextureForm::ShowObjectCutOut(const TProject& project, int index, bool negative) {
  ObjectCutOutView(project, index, negative, image_);
  if (image_.Empty()) {
    cutOutObject_ = -1;
    ShowMessage(
        "The 3D scene is not made yet:\n\"Make\" on the 3D page gives\nthe object its texture.");
    return;
  }
  cutOutObject_ = index;
  setWindowTitle(QString::fromStdString(CutOutCaption(image_.Width(), image_.Height())));
  ShowImage();
}

void TTextureForm::ShowPlaneTexture(const TBoard& board) {
  cutOutObject_ = -1;
  if (PlaneTextureView(board, image_))
    setWindowTitle(QString::fromStdString(TextureCaption(image_.Width(), image_.Height())));
  ShowImage();
}

void TTextureForm::HideTexture() {
  cutOutObject_ = -1;
  ifgObj_->hide();
}

void TTextureForm::Clear() {
  cutOutObject_ = -1;
  image_ = TFastBMP();
  setWindowTitle("Texture");
  ifgObj_->clear();
  ifgObj_->resize(0, 0);
}

void TTextureForm::ShowMessage(const QString& text) {
  image_ = TFastBMP();
  setWindowTitle("Texture");
  ifgObj_->setText(text);
  ifgObj_->adjustSize();
  ifgObj_->show();
  show();
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
