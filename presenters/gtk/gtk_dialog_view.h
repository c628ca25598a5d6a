// The dialog view of this module: shows a model's dialog as a modal GTK window and runs its
// loop until the model says the dialog has ended.
#pragma once

#include <string>

#include "platform/dialog_view.h"

namespace rezive::gtk {

class GtkDialogView final : public platform::DialogView {
public:
    bool Run(platform::DialogHost& host, uint64_t parent, std::string* why) override;
};

}  // namespace rezive::gtk
