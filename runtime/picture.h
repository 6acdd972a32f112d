// A picture: an image loaded from a file or a resource, shared by every
// copy of it, as picture boxes show it and PaintPicture draws it.
#pragma once

#include <memory>
#include <string>

class QImage;

namespace rt {

class Picture {
public:
    Picture() = default;
    // Loads an image file or a resource path (":/..."); an unreadable one
    // raises a run-time error.
    static Picture load(const std::string& path);
    bool isNull() const { return !image_; }
    int width() const;
    int height() const;

    // Runtime side: the image, 32-bit RGB. Only for a picture that is not null.
    const QImage& image() const;

private:
    std::shared_ptr<const QImage> image_;
};

}  // namespace rt
