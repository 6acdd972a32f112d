#include "commondialog.h"

#include "surface.h"

#include <QColorDialog>

namespace rt {

namespace {

QColor initialColour(const Variant& color) {
    try {
        return toQColor(color.toLong() & 0xFFFFFF);
    } catch (const RuntimeError&) {
        return Qt::black;  // nothing a colour can be made of
    }
}

}  // namespace

CommonDialog::CommonDialog(Form& owner, std::string name) : Control(owner, std::move(name)) {}

void CommonDialog::create(QWidget*) { color_ = std::int32_t(0); }

void CommonDialog::destroy() {
    if (open_) open_->reject();
}

Variant CommonDialog::GetById(std::int32_t dispId) {
    if (dispId != Color) return Object::GetById(dispId);
    ensureLoaded();
    return color_;
}

void CommonDialog::LetById(std::int32_t dispId, const Variant& value) {
    if (dispId != Color) return Object::LetById(dispId, value);
    ensureLoaded();
    color_ = value;
}

Variant CommonDialog::CallById(std::int32_t dispId) {
    if (dispId != ShowColor) return Object::CallById(dispId);
    ensureLoaded();
    // Qt's own dialog rather than the desktop's, so that it looks and
    // behaves the same everywhere.
    QColorDialog dialog;
    dialog.setObjectName(QString::fromStdString(name()));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(initialColour(color_));
    open_ = &dialog;
    const bool chosen = dialog.exec() == QDialog::Accepted;
    open_ = nullptr;
    if (chosen) {
        const QColor c = dialog.selectedColor();
        color_ = rtcRgb(c.red(), c.green(), c.blue());
    }
    return {};
}

}  // namespace rt
