#pragma once

#include <QDialog>

namespace pelvaro::app {

// The about box: the icon on a black framed square, the name, the version and the date.
class TForm5 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm5(QWidget* parent = nullptr);
};

}  // namespace pelvaro::app
