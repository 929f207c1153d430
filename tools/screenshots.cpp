// Pictures of the main window for the README: the demo PCG imported and sent to the database,
// one picture per tab, the marks and origins of the programs tab, the Compare window, a printed
// list, the Arrange Pcg window in the middle of a drag, the near-duplicates window over a few
// tweaked copies, and the report of a folder of PCG files sent in one go, drawn offscreen.
//   screenshots <folder>   ->  <folder>/database-programs.png, the three other tabs,
//                              <folder>/database-marks.png,
//                              <folder>/arrange.png, <folder>/near-duplicates.png and
//                              <folder>/send-report.png

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDragMoveEvent>
#include <QFile>
#include <QImage>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocument>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/arrange_window.h"
#include "app/control_names.h"
#include "app/database_page.h"
#include "app/main_window.h"
#include "app/near_duplicates_window.h"
#include "app/send_report.h"
#include "app/slot_list.h"
#include "classes/class_table.h"
#include "demo_pcg.h"
#include "lists/html.h"
#include "pcg/pcg_files.h"
#include "random_pcg.h"
#include "scripted_dialogs.h"
#include "session/batch_send.h"
#include "template_image.h"

namespace names = pelvaro::app::names;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");

    const QTemporaryDir folder;
    const std::string start = folder.path().toStdString();
    pelvaro::pcg::writePcgFile(pelvaro::synthetic::makeTemplateImage(), start + "/bos.dat");
    pelvaro::pcg::writePcgFile(pelvaro::synthetic::makeDemoImage(), start + "/demo.pcg");
    pelvaro::testing::ScriptedDialogs dialogs;
    auto form = pelvaro::app::createMainWindow(dialogs, folder.path());
    if (!form) return 1;
    form->show();
    // The picture shows a user's own path; the file read is the demo in the start folder.
    dialogs.answerOpen(QString::fromStdString(start + "/demo.pcg"));
    form->importPcg();
    form->sendPcgToDatabase();

    // A few classes, as a user would have made them by now.
    auto& files = form->session().files();
    for (const auto& [name, parent] : {std::pair{"Keys", 0}, std::pair{"Pianos", 1},
                                       std::pair{"Drums", 0}, std::pair{"Pads", 0}})
        pelvaro::classes::addClass(files, name, parent);
    for (const auto& [entry, classes] :
         {std::pair{1, std::vector<int>{2}}, std::pair{4, std::vector<int>{4, 1}},
          std::pair{5, std::vector<int>{3}}}) {
        auto program = files.read<pelvaro::db::DbProgramEntry>(entry);
        for (std::size_t s = 0; s < classes.size(); ++s)
            program.setClassId(static_cast<int>(s), classes[s]);
        files.write(entry, program);
    }
    // The entries say where they came from as on the user's machine, not the tool's folder.
    for (const pelvaro::db::Kind kind :
         {pelvaro::db::Kind::Program, pelvaro::db::Kind::Combination})
        for (std::int32_t n = 1; n <= files.count(kind); ++n) {
            if (kind == pelvaro::db::Kind::Program) {
                auto e = files.read<pelvaro::db::DbProgramEntry>(n);
                e.setExplanation("From: /home/musician/pcg/demo.pcg");
                files.write(n, e);
            } else {
                auto e = files.read<pelvaro::db::DbCombinationEntry>(n);
                e.setExplanation("From: /home/musician/pcg/demo.pcg");
                files.write(n, e);
            }
        }
    // Search with every field blank: both lists refilled with what the files hold now.
    const auto refill = [&] {
        form->search(*form->findChild<pelvaro::app::DatabasePage*>(names::kProgramsPage.page));
    };
    refill();

    auto* tabs = form->findChild<QTabWidget*>(names::kPages);
    form->findChild<QCheckBox*>(names::kProgramsPage.editEnabled)->click();
    auto* programs = form->findChild<QTableView*>(names::kProgramsPage.list);
    programs->setCurrentIndex(programs->model()->index(3, 0));
    form->findChild<QListWidget*>(names::kPcgProgramsPage.list)->setCurrentRow(4);
    const char* pictures[] = {"database-programs", "database-combinations", "pcg-programs",
                              "pcg-combinations"};
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const QString path = out + QStringLiteral("/%1.png").arg(QLatin1String(pictures[i]));
        if (!form->grab().save(path)) {
            std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    // The marks on the programs tab: favourites, ratings and a hidden entry (grey until the next
    // refill), and the origins line of the current entry. Undone afterwards, so that the pictures
    // below show every entry.
    {
        using What = pelvaro::db::MarkChange::What;
        tabs->setCurrentIndex(0);
        const std::pair<int, pelvaro::db::MarkChange> marks[] = {
            {0, {What::ToggleFavourite}}, {0, {What::Rating, 4}},       {2, {What::Rating, 5}},
            {3, {What::ToggleFavourite}}, {3, {What::Rating, 3}},       {5, {What::ToggleHidden}},
            {6, {What::Rating, 2}},       {1, {What::ToggleFavourite}},
        };
        for (const auto& [row, change] : marks) {
            programs->setCurrentIndex(programs->model()->index(row, 0));
            form->mark(change);
        }
        programs->setCurrentIndex(programs->model()->index(3, 0));
        QApplication::processEvents();
        if (!form->grab().save(out + QStringLiteral("/database-marks.png"))) return 1;
        for (std::size_t i = 0; i < std::size(marks); ++i)
            form->undo();
    }

    // The Compare window: a program and a copy of it that differs in three bytes.
    {
        auto copy = files.read<pelvaro::db::DbProgramEntry>(4);
        pelvaro::putFieldText(pelvaro::Bytes(copy.bytes).first(pelvaro::pcg::kNameSize),
                              "WarmPad B");
        for (const std::size_t at : {40u, 41u, 100u})
            copy.bytes[at] ^= 0x21;
        const std::int32_t id = files.append(copy);
        refill();
        tabs->setCurrentIndex(0);
        programs->selectionModel()->select(programs->model()->index(3, 0),
                                           QItemSelectionModel::ClearAndSelect);
        programs->selectionModel()->select(programs->model()->index(id - 1, 0),
                                           QItemSelectionModel::Select);
        form->compare();
        auto* compare = form->findChild<QDialog*>(names::compare::kWindow);
        if (!compare) return 1;
        QApplication::processEvents();
        if (!compare->grab().save(out + QStringLiteral("/compare.png"))) return 1;
        compare->close();
    }
    // Arrange Pcg while three programs of bank A are dragged onto B10: the line where they will
    // go, and what the drop will do.
    {
        pelvaro::app::ArrangeWindow arrange(form->session(), dialogs, form.get());
        arrange.show();
        QApplication::processEvents();
        namespace arrangeNames = pelvaro::app::names::arrange;
        auto* bankA = arrange.findChild<pelvaro::app::SlotList*>(arrangeNames::kProgramsA);
        auto* bankB = arrange.findChild<pelvaro::app::SlotList*>(arrangeNames::kProgramsB);
        if (!bankA || !bankB) return 1;
        bankA->selectSlots({5, 6, 7});
        const std::unique_ptr<QMimeData> dragged(
            bankA->model()->mimeData(bankA->selectionModel()->selectedIndexes()));
        const QPoint over = bankB->visualRect(bankB->model()->index(10, 0)).center();
        QDragEnterEvent enter(over, Qt::MoveAction, dragged.get(), Qt::LeftButton, {});
        QApplication::sendEvent(bankB->viewport(), &enter);
        QDragMoveEvent move(over, Qt::MoveAction, dragged.get(), Qt::LeftButton, {});
        QApplication::sendEvent(bankB->viewport(), &move);
        QApplication::processEvents();
        if (!arrange.grab().save(out + QStringLiteral("/arrange.png"))) return 1;
    }
    // A printed list: the database's programs as the page Export List writes, as a printer or a
    // browser shows its tables.
    {
        std::vector<std::int32_t> ids;
        for (std::int32_t n = 1; n <= files.count(pelvaro::db::Kind::Program); ++n)
            ids.push_back(n);
        const std::string html = pelvaro::lists::htmlPage(pelvaro::lists::databasePage(
            files, pelvaro::db::Kind::Program, ids, "mybank.pvd", "2026-12-08"));
        QTextDocument page;
        page.setDefaultStyleSheet(QStringLiteral(
            "th,td{padding:1px 6px}th{background:#eee}h1{font-size:14pt}h2{font-size:11pt}"));
        page.setHtml(QString::fromStdString(html));
        page.setTextWidth(720);
        QImage image(720, static_cast<int>(page.size().height()) + 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        page.drawContents(&painter);
        painter.end();
        if (!image.save(out + QStringLiteral("/printed-list.png"))) return 1;
    }

    // Find Near Duplicates over copies a user tweaked and stored again: Glass Keys twice (one
    // byte, then another), Fat Bass once, and a Marimba changed in four bytes named Warm Pad.
    {
        using pelvaro::db::DbProgramEntry;
        const auto idOf = [&](const std::string& name) {
            for (std::int32_t n = 1; n <= files.count(pelvaro::db::Kind::Program); ++n)
                if (pelvaro::db::entryName(files.read<DbProgramEntry>(n)) == name) return n;
            return 0;
        };
        const auto copyOf = [&](std::int32_t from, const char* name,
                                std::initializer_list<std::size_t> changed, int cls) {
            auto copy = files.read<DbProgramEntry>(from);
            // An instrument name fills its ten bytes, with no zero byte after ten characters.
            std::fill_n(copy.bytes.begin(), pelvaro::pcg::kNameSize, pelvaro::Byte{0});
            std::copy_n(name, std::strlen(name), copy.bytes.begin());
            for (const std::size_t at : changed)
                copy.bytes[at] ^= 0x11;
            for (int slot = 0; slot < pelvaro::db::kClassSlots; ++slot)
                copy.setClassId(slot, slot == 0 ? cls : 0);
            return files.append(copy);
        };
        const std::int32_t keys2 = copyOf(idOf("Glass Keys"), "Glass Keys", {57}, 1);
        copyOf(keys2, "GlassKeys3", {88}, 4);
        copyOf(idOf("Fat Bass"), "Fat Bass B", {40}, 0);
        copyOf(idOf("Marimba"), "Warm Pad", {30, 60, 90, 120}, 0);
        auto solo = files.read<pelvaro::db::DbCombinationEntry>(1);
        pelvaro::putFieldText(pelvaro::Bytes(solo.bytes).first(pelvaro::pcg::kNameSize),
                              "Keys Solo");
        solo.setTimbreProgramId(0, keys2);
        files.append(solo);
        auto* window =
            new pelvaro::app::NearDuplicatesWindow(form->session(), form->databaseWatch(), dialogs,
                                                   pelvaro::db::Kind::Program, {}, form.get());
        window->show();
        QApplication::processEvents();
        if (!window->grab().save(out + QStringLiteral("/near-duplicates.png"))) return 1;
        window->close();
    }

    // The report of "Send PCG Files to Database" over a folder of a user's files.
    const std::string sets = start + "/sets";
    QDir().mkpath(QString::fromStdString(sets + "/old disk"));
    const char* setNames[] = {"/forum/strings.pcg", "/friends/anna.pcg", "/friends/bert.pcg",
                              "/old disk/1996.pcg"};
    for (std::uint32_t i = 0; i < 4; ++i) {
        const std::string path = sets + "/set" + std::to_string(i) + ".pcg";
        pelvaro::pcg::writePcgFile(pelvaro::synthetic::randomPcg(i + 1).image, path);
    }
    {
        QFile foreign(QString::fromStdString(sets + "/set4.pcg"));
        if (!foreign.open(QIODevice::WriteOnly) || foreign.write("KORG3 bank", 10) != 10) return 1;
    }
    pelvaro::session::BatchSend batch(form->session(), {sets});
    while (!batch.done())
        batch.sendNext();
    std::vector<pelvaro::session::FileReport> lines = batch.lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i].path =
            "/home/musician/pcg" + std::string(i < 4 ? setNames[i] : "/old disk/broken.pcg");
    pelvaro::app::SendReport report(lines, batch.totals(), false, dialogs, form->settings(),
                                    form.get());
    report.show();
    QApplication::processEvents();
    const QString path = out + QStringLiteral("/send-report.png");
    if (!report.grab().save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return 1;
    }
    for (const auto& message : dialogs.messages)
        std::fprintf(stderr, "screenshots: %s\n", qPrintable(message.text));
    return dialogs.messages.empty() ? 0 : 1;
}
