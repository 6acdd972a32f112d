#include "menu.h"

#include "errors.h"

#include <QCursor>
#include <QMenu>
#include <QMouseEvent>

#include <utility>

namespace rt {

namespace {

// What a test put in the user's place; empty for the real pop-up.
PopupChooser popupChooser;

// Qt's menu chooses on the release of any button; a pop-up menu is chosen
// from with the left one. A press of any button outside still dismisses it.
class LeftButtonChooses : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        return e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton;
    }
};

}  // namespace

Menu::Menu(Form& owner, std::string name, std::string caption)
    : Control(owner, std::move(name)), caption_(std::move(caption)) {}

Menu::Menu(Menu& parent, std::string name, std::string caption)
    : Control(parent.form(), std::move(name)), caption_(std::move(caption)) {
    parent.items_.push_back(this);
}

void Menu::destroy() {
    if (popup_) popup_->close();
}

Menu* Menu::popUp() {
    LeftButtonChooses leftButton;
    QMenu popup;
    popup.installEventFilter(&leftButton);
    std::vector<std::pair<QAction*, Menu*>> actions;
    for (Menu* item : items_) {
        if (item->Caption() == "-")
            popup.addSeparator();
        else
            actions.emplace_back(popup.addAction(QString::fromStdString(item->Caption())), item);
    }
    popup_ = &popup;
    QAction* chosen = popup.exec(QCursor::pos());
    popup_ = nullptr;
    for (auto& [action, item] : actions)
        if (action == chosen) return item;
    return nullptr;
}

void setPopupChooser(PopupChooser chooser) { popupChooser = std::move(chooser); }

void Form::PopupMenu(Menu& menu) {
    ensureLoaded();
    menu.form().load();  // using a menu of an unloaded form loads it
    Menu* chosen = popupChooser ? popupChooser(menu) : menu.popUp();
    if (chosen && chosen->Click) raiseEvent((chosen->name() + "_Click").c_str(), chosen->Click);
}

}  // namespace rt
