#pragma once

#include <QDialog>

namespace pelvaro::app {

// The about box: the icon on a black framed square, the name, the version and the date.
class AboutBox : public QDialog {
    Q_OBJECT

  public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace pelvaro::app
