#pragma once
// A main window started in a fresh folder that holds the template file, shown and active, with
// its dialogs answered by the test.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

#include "app/control_names.h"
#include "app/main_window.h"
#include "band_pcg.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "template_image.h"

namespace pelvaro::testing {

// The object names the windows give their controls.
namespace names = app::names;

// The control of a window by its object name; a test that names a missing control fails there.
template <class T = QWidget>
T* in(const QObject* window, const char* name) {
    T* child = window->findChild<T*>(QLatin1String(name));
    if (!child) throw std::runtime_error(std::string("no control ") + name);
    return child;
}

using namespace pelvaro::synthetic;

// The tabs of the main window, in their order.
constexpr int kDatabasePrograms = 0;
constexpr int kDatabaseCombinations = 1;
constexpr int kPcgPrograms = 2;
constexpr int kPcgCombinations = 3;

struct WindowFixture {
    TempDir dir;
    TempDir recovery;  // the user's folder of recovery copies
    TempDir config;    // the user's settings file
    ScriptedDialogs dialogs;
    std::unique_ptr<app::MainWindow> form;

    WindowFixture() {
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat"));
        form = app::createMainWindow(dialogs, QString::fromStdString(dir.path()), places());
        form->show();
        QApplication::setActiveWindow(form.get());
        (void)QTest::qWaitForWindowActive(form.get());
    }

    app::Places places() const {
        return app::Places{.recoveryFolder = QString::fromStdString(recovery.path()),
                           .settingsFile = QString::fromStdString(config.file("pelvaro.conf")),
                           .templateFile = {}};
    }

    template <class T = QWidget>
    T* find(const char* name) const {
        return in<T>(form.get(), name);
    }
    QAction* action(const char* name) const { return find<QAction>(name); }

    void showPage(int index) { find<QTabWidget>(names::kPages)->setCurrentIndex(index); }
    // A key pressed in the main window. Like a window manager, the fixture gives the main window
    // the keyboard back when a window it showed has gone.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        activate();
        QTest::keyClick(form.get(), static_cast<Qt::Key>(key), modifiers);
    }
    void activate() {
        if (!form->isActiveWindow()) QApplication::setActiveWindow(form.get());
    }
    // The lines of a list widget, as shown.
    QStringList lines(const char* list) const {
        QStringList out;
        auto* w = find<QListWidget>(list);
        for (int i = 0; i < w->count(); ++i)
            out << w->item(i)->text();
        return out;
    }
    QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

    // The rows of a database list, as shown.
    QStringList rows(const char* list) const {
        QStringList out;
        auto* view = find<QTableView>(list);
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out << view->model()->index(r, 0).data().toString();
        return out;
    }
    // A mouse click on row r of a list (with Ctrl or Shift held for several rows).
    void clickRow(const char* list, int r, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        activate();
        auto* view = find<QAbstractItemView>(list);
        const QModelIndex index = view->model()->index(r, 0);
        view->scrollTo(index);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                          view->visualRect(index).center());
    }
    // A mouse click on a control of the main window.
    void click(const char* name) {
        activate();
        QWidget* control = find<QWidget>(name);
        // A check box takes clicks on its box and caption only, at its left end.
        const QPoint at = qobject_cast<QCheckBox*>(control) ? QPoint(8, control->height() / 2)
                                                            : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
    }
    // Imports a PCG built by the test through the Import command.
    void importPcg(const PcgBuilder& builder, const char* name = "import.pcg") {
        builder.writeTo(dir.file(name));
        dialogs.answerOpen(file(name));
        press(Qt::Key_I, Qt::ControlModifier);
    }
    // Runs `inside` while a modal dialog is open, then closes the dialog if it is still open.
    static void whileModal(QWidget* dialog, std::function<void()> inside) {
        QTimer::singleShot(0, dialog, [dialog, inside] {
            inside();
            if (dialog->isVisible()) dialog->close();
        });
    }
};

}  // namespace pelvaro::testing
