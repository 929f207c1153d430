// The main window's lists and relations: where-used below the detail panels, Used By on the
// PCG program lines, Compare, and Export List.
#include "app/main_window.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QMenu>

#include "app/compare_window.h"
#include "app/dialogs.h"
#include "app/elided_label.h"
#include "app/entry_list_model.h"
#include "app/window_text.h"
#include "io/safe_files.h"
#include "lists/html.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

void MainWindow::showWhereUsed() {
    constexpr std::size_t kShown = 3;    // entries named on the line
    constexpr std::size_t kListed = 40;  // entries named in the tooltip
    const db::RecordFiles& files = session_->files();
    const auto programText = [&](std::int32_t id) {
        if (id < 1 || id > files.count(db::Kind::Program)) return QString::number(id);
        return QString::number(id) + QLatin1Char(' ') +
               textOf(db::entryName(files.read<db::DbProgramEntry>(id)));
    };
    const auto combinationText = [&](std::int32_t id) {
        return QString::number(id) + QLatin1Char(' ') +
               textOf(db::entryName(files.read<db::DbCombinationEntry>(id)));
    };
    // "3 combinations: 5 SPLIT, 7 LAYER, 12 PADS, ..." and the tooltip's lines.
    const auto listedNames = [&](const std::vector<std::int32_t>& ids, const auto& text,
                                 QStringList& lines) {
        QStringList shown;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (i < kShown) shown << text(ids[i]);
            if (i < kListed) lines << text(ids[i]);
        }
        if (ids.size() > kListed)
            lines << QStringLiteral("... and %1 more").arg(ids.size() - kListed);
        if (ids.size() > kShown) shown << QStringLiteral("...");
        return shown.join(QStringLiteral(", "));
    };

    if (const auto program = focusedEntry(true)) {
        const std::vector<std::int32_t> players =
            session_->references().combinationsPlaying(*program);
        QStringList tip;
        QString line;
        if (players.empty()) {
            line = QStringLiteral("Played by no combination");
            tip << line;
        } else {
            tip << QStringLiteral("Played by:");
            line =
                QStringLiteral("Played by ") +
                counted(static_cast<std::int64_t>(players.size()), "combination", "combinations") +
                QStringLiteral(": ") + listedNames(players, combinationText, tip);
        }
        const std::int32_t kit = files.read<db::DbProgramEntry>(*program).drumKitId();
        if (kit > 0) {
            std::vector<std::int32_t> sharing = session_->references().programsOnKit(kit);
            std::erase(sharing, *program);
            if (!sharing.empty()) {
                tip << QStringLiteral("Its drum kit is played by:");
                line += QStringLiteral("; its drum kit also by ") +
                        counted(static_cast<std::int64_t>(sharing.size()), "program", "programs") +
                        QStringLiteral(": ") + listedNames(sharing, programText, tip);
            }
        }
        programUsedBy_->setText(line);
        programUsedBy_->setToolTip(tip.join(QLatin1Char('\n')));
    } else {
        programUsedBy_->setText(QString());
        programUsedBy_->setToolTip(QString());
    }

    if (const auto combination = focusedEntry(false)) {
        const auto entry = files.read<db::DbCombinationEntry>(*combination);
        QStringList plays;
        QStringList tip;
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t id = entry.timbreProgramId(t);
            const QString text = id == -1  ? QStringLiteral("GM")
                                 : id == 0 ? QStringLiteral("-")
                                           : programText(id);
            if (id != 0) plays << text;
            tip << QStringLiteral("Timbre %1: %2").arg(t + 1).arg(text);
        }
        combinationPlays_->setText(plays.isEmpty() ? QStringLiteral("Plays no program")
                                                   : QStringLiteral("Plays ") +
                                                         plays.join(QStringLiteral(", ")));
        combinationPlays_->setToolTip(tip.join(QLatin1Char('\n')));
    } else {
        combinationPlays_->setText(QString());
        combinationPlays_->setToolTip(QString());
    }
}

void MainWindow::exportList() {
    guard([&] {
        const Tab tab = tabInFront();
        const QString filter =
            QStringLiteral("CSV Files (*.csv);;Pages to Print (*.html *.htm)|*.csv");
        const auto chosen = dialogs_.saveFile(this, filter, folderFor(Settings::FileKind::Report));
        if (!chosen) return;
        // The format is the name's: a page for .html or .htm, CSV otherwise.
        QString path = *chosen;
        const QString suffix = QFileInfo(path).suffix().toLower();
        const bool html = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
        if (!html && suffix != QLatin1String("csv")) path += QStringLiteral(".csv");
        const std::string date = QDate::currentDate().toString(Qt::ISODate).toStdString();
        std::string text;
        std::size_t rows = 0;
        if (tab == Tab::PcgPrograms || tab == Tab::PcgCombinations) {
            const pcg::SlotKind kind =
                tab == Tab::PcgPrograms ? pcg::SlotKind::Program : pcg::SlotKind::Combination;
            const pcg::PcgState& pcg = session_->pcg();
            const std::string source =
                pcg.pcgFileName.empty() ? "New PCG" : fileNameOf(pcg.pcgFileName).toStdString();
            text = html ? lists::htmlPage(lists::pcgPage(pcg, kind, source, date))
                        : lists::tableCsv(lists::pcgTable(pcg, kind));
            rows = pcg::kSlotCount;
        } else {
            const bool programs = tab == Tab::DatabasePrograms;
            const db::Kind kind = programs ? db::Kind::Program : db::Kind::Combination;
            const std::vector<std::int32_t>& ids =
                (programs ? programRows_ : combinationRows_)->rowIds();
            const std::string& database = session_->databasePath();
            const std::string source =
                database.empty() ? "New database" : fileNameOf(database).toStdString();
            text = html ? lists::htmlPage(
                              lists::databasePage(session_->files(), kind, ids, source, date))
                        : lists::tableCsv(lists::databaseTable(session_->files(), kind, ids));
            rows = ids.size();
        }
        io::AtomicFile file(localPath(path));
        file.stream().writeAt(0,
                              ConstBytes(reinterpret_cast<const Byte*>(text.data()), text.size()));
        file.commit();
        settings_->rememberFolder(Settings::FileKind::Report, path);
        showResult(QStringLiteral("Exported the list of %1 to %2")
                       .arg(counted(static_cast<std::int64_t>(rows), "row", "rows"),
                            QFileInfo(path).fileName()));
    });
}

void MainWindow::compare() {
    updateEditMenu();
    if (!compareAction_->isEnabled()) return;
    guard([&] {
        const Tab tab = tabInFront();
        const db::RecordFiles& files = session_->files();
        const pcg::PcgState& pcg = session_->pcg();
        QStringList choices;
        std::vector<int> keys;  // the entry or slot behind each choice
        int left = 0;
        int right = 1;
        CompareWindow::Compare compareAt;
        QString title;
        if (tab == Tab::DatabasePrograms || tab == Tab::DatabaseCombinations) {
            const bool programs = tab == Tab::DatabasePrograms;
            const std::vector<std::int32_t> ids = chosenEntries(programs);
            for (const std::int32_t id : ids) {
                keys.push_back(id);
                choices << QString::number(id) + QLatin1Char(' ') +
                               textOf(programs
                                          ? db::entryName(files.read<db::DbProgramEntry>(id))
                                          : db::entryName(files.read<db::DbCombinationEntry>(id)));
            }
            title = programs ? QStringLiteral("Compare Programs")
                             : QStringLiteral("Compare Combinations");
            if (programs) {
                compareAt = [this, keys](int l, int r) {
                    const db::RecordFiles& f = session_->files();
                    const auto a = f.read<db::DbProgramEntry>(keys[static_cast<std::size_t>(l)]);
                    const auto b = f.read<db::DbProgramEntry>(keys[static_cast<std::size_t>(r)]);
                    const auto kit = [](const db::DbProgramEntry& e) {
                        return e.drumKitId() > 0 ? "ID " + std::to_string(e.drumKitId())
                                                 : std::string();
                    };
                    return transfer::comparePrograms(
                        {db::entryName(a), a.program(), kit(a)},
                        {db::entryName(b), b.program(), kit(b)},
                        a.drumKitId() > 0 && a.drumKitId() == b.drumKitId());
                };
            } else {
                compareAt = [this, keys](int l, int r) {
                    const db::RecordFiles& f = session_->files();
                    const auto side = [&f](std::int32_t id, db::DbCombinationEntry& e) {
                        e = f.read<db::DbCombinationEntry>(id);
                        std::array<std::string, pcg::combination::kTimbreCount> timbres;
                        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
                            const std::int32_t p = e.timbreProgramId(t);
                            timbres[static_cast<std::size_t>(t)] =
                                p == -1  ? "GM"
                                : p == 0 ? "-"
                                : p <= f.count(db::Kind::Program)
                                    ? "ID " + std::to_string(p) + " " +
                                          db::entryName(f.read<db::DbProgramEntry>(p))
                                    : "ID " + std::to_string(p);
                        }
                        return transfer::CombinationSide{db::entryName(e), e.combination(),
                                                         timbres};
                    };
                    db::DbCombinationEntry a;
                    db::DbCombinationEntry b;
                    const auto sa = side(keys[static_cast<std::size_t>(l)], a);
                    const auto sb = side(keys[static_cast<std::size_t>(r)], b);
                    return transfer::compareCombinations(sa, sb);
                };
            }
        } else {
            const bool programs = tab == Tab::PcgPrograms;
            const auto& used = programs ? pcg.occupancy.programUsed : pcg.occupancy.combinationUsed;
            const int current = chosenSlot(programs);
            for (int slot = 0; slot < pcg::kSlotCount; ++slot) {
                if (used[slot] != 1) continue;
                if (slot == current) left = static_cast<int>(keys.size());
                keys.push_back(slot);
                choices << textOf(pcg::pcgListLine(
                    pcg, programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                    slot < pcg::kBankSize ? 0 : 1, slot % pcg::kBankSize));
            }
            right = left + 1 < static_cast<int>(keys.size()) ? left + 1 : left - 1;
            title = programs ? QStringLiteral("Compare Pcg Programs")
                             : QStringLiteral("Compare Pcg Combinations");
            compareAt = [this, keys, programs](int l, int r) {
                const pcg::PcgState& p = session_->pcg();
                const int a = keys[static_cast<std::size_t>(l)];
                const int b = keys[static_cast<std::size_t>(r)];
                if (programs) {
                    const auto kitSlot = [&p](int slot) {
                        const auto record = p.image.program(slot);
                        return pcg::oscMode(record) == pcg::program::kDrumMode
                                   ? pcg::drumKitSlot(record)
                                   : -1;
                    };
                    const int ka = kitSlot(a);
                    const int kb = kitSlot(b);
                    const auto kitText = [](int k) {
                        return k < 0 ? std::string() : "slot " + std::to_string(k);
                    };
                    // Kits of the same content are one kit, wherever they lie.
                    const bool kitsEqual = ka >= 0 && kb >= 0 && ka < pcg::kDrumKitCount &&
                                           kb < pcg::kDrumKitCount &&
                                           pcg::sameRange(p.image.drumKit(ka), p.image.drumKit(kb),
                                                          pcg::kDrumKitCompared);
                    return transfer::comparePrograms(
                        {pcg::nameText(p.image.programName(a)), p.image.program(a), kitText(ka)},
                        {pcg::nameText(p.image.programName(b)), p.image.program(b), kitText(kb)},
                        kitsEqual);
                }
                const lists::Table table = lists::pcgTable(p, pcg::SlotKind::Combination);
                const auto side = [&](int slot) {
                    std::array<std::string, pcg::combination::kTimbreCount> timbres;
                    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
                        const std::string& cell = table.rows[static_cast<std::size_t>(slot)]
                                                            [static_cast<std::size_t>(2 + t)];
                        timbres[static_cast<std::size_t>(t)] = cell.empty() ? "off" : cell;
                    }
                    return transfer::CombinationSide{pcg::nameText(p.image.combinationName(slot)),
                                                     p.image.combination(slot), timbres};
                };
                return transfer::compareCombinations(side(a), side(b));
            };
        }
        auto* window = new CompareWindow(title, choices, left, right, compareAt, this);
        window->show();
        showResult(QStringLiteral("Compared %1 and %2: %3")
                       .arg(choices.value(left), choices.value(right),
                            window->findChild<QLabel*>(QStringLiteral("CompareVerdict"))->text()));
    });
}

void MainWindow::showUsedBy() {
    const int slot = chosenSlot(true);
    if (slot < 0) return;
    const pcg::PcgState& pcg = session_->pcg();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("UsedByList"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString label =
        textOf(pcg::slotPrefix(slot < pcg::kBankSize ? 0 : 1, slot % pcg::kBankSize));
    const std::vector<int> players = pcg::combinationsPlaying(pcg, slot);
    if (players.empty())
        menu->addAction(QStringLiteral("No combination plays %1").arg(label))->setEnabled(false);
    for (const int combination : players) {
        const int bank = combination < pcg::kBankSize ? 0 : 1;
        const int line = combination % pcg::kBankSize;
        QAction* go =
            menu->addAction(textOf(pcg::pcgListLine(pcg, pcg::SlotKind::Combination, bank, line)));
        go->setToolTip(QStringLiteral("Show this combination"));
        connect(go, &QAction::triggered, this, [this, bank, line] {
            combinationBankButtons_->button(bank)->setChecked(true);
            refreshPcgLists();
            pages_->setCurrentWidget(pcgCombinationsPage_);
            pcgCombinationList_->setCurrentRow(line);
        });
    }
    menu->setToolTipsVisible(true);
    const QRect line = pcgProgramList_->visualItemRect(pcgProgramList_->currentItem());
    menu->popup(pcgProgramList_->viewport()->mapToGlobal(line.bottomLeft()));
}

}  // namespace pelvaro::app
