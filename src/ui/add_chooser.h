// Window 7: the small chooser between adding files and adding a folder.
#pragma once

#include "themes/image_slots.h"

#include <QDialog>

namespace dravik {

class AddChooser : public QDialog {
    Q_OBJECT
  public:
    enum class Choice { None, Files, Folder };

    AddChooser(QWidget* mainWindow, const ImageSlots& slots);

    // Shows the chooser centred on the main window until a button, Esc or
    // the close box ends it. The main window takes no input meanwhile.
    Choice run();

  private:
    Choice choice_ = Choice::None;
};

} // namespace dravik
