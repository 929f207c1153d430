#pragma once
// The dialogs of the windows measured by the benchmarks: every open dialog answers with one
// file, every save dialog is cancelled, and a message ends the run (a benchmark that met one
// measured something else).

#include <QString>
#include <cstdio>
#include <cstdlib>

#include "app/dialogs.h"

namespace pelvaro::bench {

struct AnsweringDialogs : app::Dialogs {
    QString answer;
    std::optional<QString> openFile(QWidget*, const QString&, const QString&) override {
        return answer;
    }
    QStringList openFilesAndFolders(QWidget*, const QString&, const QString&) override {
        return {};
    }
    std::optional<QString> saveFile(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    void showError(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        std::exit(1);
    }
};

}  // namespace pelvaro::bench
