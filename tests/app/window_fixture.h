#pragma once
// A main window started in a fresh folder that holds the template file, shown and active, with
// its dialogs answered by the test.

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "pcg/pcg_files.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "template_image.h"

namespace pelvaro::testing {

struct WindowFixture {
    TempDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<app::TForm1> form;

    WindowFixture() {
        pcg::writePcgFile(tools::makeTemplateImage(), dir.file("bos.dat"));
        form = app::createMainWindow(dialogs, QString::fromStdString(dir.path()));
        form->show();
        QApplication::setActiveWindow(form.get());
        (void)QTest::qWaitForWindowActive(form.get());
    }

    template <class T = QWidget>
    T* find(const char* name) const {
        T* child = form->findChild<T*>(QLatin1String(name));
        if (!child) throw std::runtime_error(std::string("no control ") + name);
        return child;
    }
    QAction* action(const char* name) const { return find<QAction>(name); }

    void showPage(int index) { find<QTabWidget>("PageControl")->setCurrentIndex(index); }
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(form.get(), static_cast<Qt::Key>(key), modifiers);
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
};

}  // namespace pelvaro::testing
