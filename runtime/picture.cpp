#include "picture.h"

#include "vb.h"

#include <QImage>

namespace rt {

Picture Picture::load(const std::string& path) {
    QImage img(QString::fromStdString(path));
    if (img.isNull()) throw RuntimeError(481, "Invalid picture", path);
    Picture p;
    p.image_ = std::make_shared<const QImage>(img.convertToFormat(QImage::Format_RGB32));
    return p;
}

int Picture::width() const { return image_ ? image_->width() : 0; }
int Picture::height() const { return image_ ? image_->height() : 0; }
const QImage& Picture::image() const { return *image_; }

}  // namespace rt
