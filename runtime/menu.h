// Menus and the pop-up menu through which the user chooses from one.
#pragma once

#include "form.h"

#include <functional>
#include <string>
#include <vector>

class QMenu;
class QWidget;

namespace rt {

// A menu of a form: a top-level menu whose items are its children. A caption
// of "-" is a separator.
class Menu : public Control {
public:
    Menu(Form& owner, std::string name, std::string caption);
    Menu(Menu& parent, std::string name, std::string caption);
    const std::string& Caption() const { return caption_; }
    const std::vector<Menu*>& items() const { return items_; }
    std::function<void()> Click;

    // Runtime side. A menu has nothing to make; as its form unloads, its
    // pop-up, if open, closes (so that the program can end).
    void create(QWidget*) override {}
    void destroy() override;

private:
    friend class Form;  // Form::PopupMenu opens the pop-up
    // The items at the pointer; the menu's own caption is never shown.
    // Returns the item chosen, or nullptr when the pop-up was dismissed.
    Menu* popUp();

    std::string caption_;
    std::vector<Menu*> items_;
    QMenu* popup_ = nullptr;  // while the pop-up of this menu is open
};

// Stands in for the user at a pop-up menu: given the menu, returns the item
// chosen, or nullptr for none. Unset (the default), the real pop-up opens.
using PopupChooser = std::function<Menu*(Menu& menu)>;
void setPopupChooser(PopupChooser chooser);

}  // namespace rt
