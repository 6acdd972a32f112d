// Stands in for the common-dialog control. Of its members the clock has two,
// reached by dispatch number: the colour dialog and the colour chosen in it.
#pragma once

#include "form.h"
#include "object.h"

#include <cstdint>
#include <string>

class QDialog;
class QWidget;

namespace rt {

class CommonDialog : public Object, public Control {
public:
    // The chosen colour: a number that converts to 0x00BBGGRR. It is the
    // dialog's initial colour, and a cancelled dialog leaves it as it was.
    static constexpr std::int32_t Color = 6;
    // Opens the colour dialog, modal, and returns once it has been closed.
    static constexpr std::int32_t ShowColor = 32;

    CommonDialog(Form& owner, std::string name);

    Variant GetById(std::int32_t dispId) override;
    void LetById(std::int32_t dispId, const Variant& value) override;
    Variant CallById(std::int32_t dispId) override;

    void create(QWidget* parent) override;
    void destroy() override;

private:
    Variant color_;
    QDialog* open_ = nullptr;
};

}  // namespace rt
