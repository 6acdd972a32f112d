// The Qt widgets behind forms and picture boxes. Internal to the runtime.
#pragma once

#include "handles.h"

#include <QRegion>
#include <QWidget>

namespace rt {

class Form;
class PictureBox;

class FormWindow : public QWidget {
public:
    explicit FormWindow(Form& form);
    Form& form() { return form_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    Form& form_;
};

class PictureWidget : public QWidget {
public:
    PictureWidget(PictureBox& box, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    PictureBox& box_;
};

HWND registerWindow(QWidget* w);
void unregisterWindow(HWND h);
QWidget* windowFromHandle(HWND h);
void setStaysOnTop(QWidget* w, bool onTop);
// The window's region in device pixels (empty: none), as SetWindowRgn last
// gave it. The window shows and takes the mouse only inside it.
void setWindowRegion(QWidget* w, const QRegion& device);
QRegion windowRegion(const QWidget* w);

}  // namespace rt
