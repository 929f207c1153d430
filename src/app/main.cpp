#include <QApplication>
#include <QDir>

#include "app/dialogs.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(pelvaro::app::kApplicationTitle);

    pelvaro::app::QtDialogs dialogs;
    const auto form = pelvaro::app::createMainWindow(dialogs, QDir::currentPath(),
                                                     pelvaro::app::Places::standard());
    if (!form) return 1;  // the message has been shown
    form->show();
    return QApplication::exec();
}
