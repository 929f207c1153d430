#include "lists/tables.h"

#include "db/class_tree.h"
#include "lists/csv.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::lists {

namespace {

template <class E>
std::string classPaths(const db::ClassTree& tree, const E& entry) {
    std::string paths;
    for (int s = 0; s < db::kClassSlots; ++s) {
        const int id = entry.classId(s);
        if (id == 0) continue;
        if (!paths.empty()) paths += "; ";
        paths += latin1ToUtf8(tree.path(id));
    }
    return paths;
}

}  // namespace

Table pcgTable(const pcg::PcgState& pcg, pcg::SlotKind kind) {
    Table table;
    const bool programs = kind == pcg::SlotKind::Program;
    if (programs) {
        table.headings = {"Slot", "Name", "Mode", "Drum kit slot"};
    } else {
        table.headings = {"Slot", "Name"};
        for (int t = 1; t <= pcg::combination::kTimbreCount; ++t)
            table.headings.push_back("Timbre " + std::to_string(t));
    }
    for (int slot = 0; slot < pcg::kSlotCount; ++slot) {
        std::vector<std::string> row{pcg::slotName(slot)};
        if (programs) {
            if (pcg.occupancy.programUsed[slot] == 1) {
                const auto p = pcg.image.program(slot);
                const bool drums = pcg::oscMode(p) == pcg::program::kDrumMode;
                row.push_back(latin1ToUtf8(pcg::nameText(pcg.image.programName(slot))));
                row.push_back(pcg::modeName(pcg::oscMode(p)));
                row.push_back(drums ? std::to_string(pcg::drumKitSlot(p)) : "");
            }
        } else if (pcg.occupancy.combinationUsed[slot] == 1) {
            const auto c = pcg.image.combination(slot);
            row.push_back(latin1ToUtf8(pcg::nameText(pcg.image.combinationName(slot))));
            // A switched-off timbre is an empty cell.
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
                row.push_back(pcg::timbreDisabled(c, t) ? std::string()
                                                        : pcg::timbreText(pcg, c, t));
        }
        row.resize(table.headings.size());
        table.rows.push_back(std::move(row));
    }
    return table;
}

Table databaseTable(const db::RecordFiles& files, db::Kind kind,
                    const std::vector<std::int32_t>& ids) {
    Table table;
    const db::ClassTree tree = db::ClassTree::read(files);
    const bool programs = kind == db::Kind::Program;
    table.headings = {"ID", "Name", "Classes", programs ? "Drum kit ID" : "Timbre program IDs",
                      "Explanation"};
    for (const std::int32_t id : ids) {
        if (programs) {
            const auto e = files.read<db::DbProgramEntry>(id);
            table.rows.push_back({std::to_string(id), latin1ToUtf8(db::entryName(e)),
                                  classPaths(tree, e),
                                  e.drumKitId() == 0 ? "" : std::to_string(e.drumKitId()),
                                  latin1ToUtf8(e.explanation())});
        } else {
            const auto e = files.read<db::DbCombinationEntry>(id);
            std::string timbres;
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
                const std::int32_t program = e.timbreProgramId(t);
                if (program == 0) continue;
                if (!timbres.empty()) timbres += " ";
                timbres += db::timbreText(program);
            }
            table.rows.push_back({std::to_string(id), latin1ToUtf8(db::entryName(e)),
                                  classPaths(tree, e), timbres, latin1ToUtf8(e.explanation())});
        }
    }
    return table;
}

std::string tableCsv(const Table& table) {
    std::string csv = csvRow(table.headings);
    for (const auto& row : table.rows)
        csv += csvRow(row);
    return csv;
}

std::string tableText(const Table& table) {
    const auto line = [](const std::vector<std::string>& fields) {
        std::string text;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += '\t';
            // A row stays one line of columns: a line break or a tab in a field is a space.
            for (std::size_t at = 0; at < fields[i].size(); ++at) {
                const char c = fields[i][at];
                if (c == '\r' && fields[i].compare(at, 2, "\r\n") == 0) continue;
                text += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
            }
        }
        return text + "\n";
    };
    std::string text = line(table.headings);
    for (const auto& row : table.rows)
        text += line(row);
    return text;
}

}  // namespace pelvaro::lists
