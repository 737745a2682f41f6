// The about box: the program, its version, who made it, and the way into the help.
#pragma once

#include <QDialog>

namespace pinora {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

} // namespace pinora
