#include "classes/class_table.h"

#include <algorithm>

#include "db/class_tree.h"
#include "db/listing.h"
#include "db/record_scan.h"
#include "io/wording.h"

namespace pelvaro::classes {

using db::ClassEntry;
using db::CombinationLayout;
using db::Kind;
using db::ProgramLayout;
using db::RecordFiles;

namespace {

bool carries(ConstBytes classIds, std::int32_t classId) {
    return std::any_of(classIds.begin(), classIds.end(),
                       [&](Byte b) { return static_cast<signed char>(b) == classId; });
}

// At most this many users are named under a refusal; with more, the first two and a count, so
// the line names no more entries than it would for three and never ends in "and 1 more".
constexpr std::size_t kNamedUsers = 3;

// The second line of a refusal: "Used by programs 12 Warm Pad, 40 Str Pad and 3 more", empty
// when no entry of kind carries the class. Names are the records' Latin-1, shown as UTF-8 like
// every text of a message.
std::string usersLine(const RecordFiles& files, Kind kind, std::size_t classIdsAt,
                      std::int32_t classId, const char* singular, const char* plural) {
    std::vector<std::string> named;
    std::int64_t count = 0;
    db::scanEntries(files, kind, [&](std::int32_t n, ConstBytes record) {
        if (!carries(record.subspan(classIdsAt, db::kClassSlots), classId)) return;
        if (++count <= static_cast<std::int64_t>(kNamedUsers)) {
            std::string name = fieldText(record.first(pcg::kNameSize));
            // Instrument names are padded with blanks, which a sentence does not show.
            name.erase(name.find_last_not_of(' ') + 1);
            named.push_back(name.empty() ? std::to_string(n)
                                         : std::to_string(n) + " " + latin1ToUtf8(name));
        }
    });
    if (count == 0) return {};
    if (count > static_cast<std::int64_t>(kNamedUsers)) {
        named.resize(kNamedUsers - 1);
        named.push_back(grouped(count - static_cast<std::int64_t>(named.size())) + " more");
    }
    return std::string("Used by ") + (count == 1 ? singular : plural) + " " + listed(named);
}

// Rewrites every class byte `from` of the entries of kind as `to`, writing back only the
// entries that change.
template <class E>
void renumberInEntries(RecordFiles& files, std::size_t classIdsAt, std::int32_t from,
                       std::int32_t to) {
    std::vector<std::int32_t> changed;
    db::scanEntries(files, E::kind, [&](std::int32_t n, ConstBytes record) {
        if (carries(record.subspan(classIdsAt, db::kClassSlots), from)) changed.push_back(n);
        return true;
    });
    for (std::int32_t n : changed) {
        E entry = files.read<E>(n);
        for (int s = 0; s < db::kClassSlots; ++s)
            if (entry.classId(s) == from) entry.setClassId(s, to);
        files.write(n, entry);
    }
}

}  // namespace

ClassEditorContent classEditorContent(const RecordFiles& files) {
    const db::ClassTree tree = db::ClassTree::read(files);
    ClassEditorContent content;
    content.full = tree.count() >= kMaxClasses;
    content.parentChoices.emplace_back(kNoParentClass);
    for (std::int32_t k = 1; k <= tree.count(); ++k)
        content.parentChoices.push_back(tree.name(k));

    // Depth first, each class's children in the tree's order, so every parent precedes them.
    content.nodes.push_back(ClassNode{0, -1, tree.name(0)});
    std::vector<std::pair<std::int32_t, int>> stack;
    for (auto c = tree.children(0).rbegin(); c != tree.children(0).rend(); ++c)
        stack.emplace_back(*c, -1);
    while (!stack.empty()) {
        const auto [k, parent] = stack.back();
        stack.pop_back();
        const int node = static_cast<int>(content.nodes.size());
        content.nodes.push_back(ClassNode{k, parent, tree.name(k)});
        for (auto c = tree.children(k).rbegin(); c != tree.children(k).rend(); ++c)
            stack.emplace_back(*c, node);
    }
    return content;
}

bool canAddClass(const RecordFiles& files, std::string_view className, int parentChoice) {
    const std::int32_t count = files.count(Kind::Class);
    return !db::trimmed(className).empty() && parentChoice >= 0 && parentChoice <= count &&
           count < kMaxClasses;
}

std::int32_t addClass(RecordFiles& files, std::string_view className, int parentChoice) {
    if (!canAddClass(files, className, parentChoice)) return -1;
    ClassEntry entry;
    entry.setName(className);
    entry.setParentId(parentChoice);
    return files.append(entry);
}

ClassDeletion deleteClass(RecordFiles& files, std::int32_t classId) {
    ClassDeletion result;
    const std::int32_t last = files.count(Kind::Class);
    if (classId < 1 || classId > last) return result;

    const std::string caption(kCannotDeleteProgramCaption);
    const std::string programs =
        usersLine(files, Kind::Program, ProgramLayout::kClassIds, classId, "program", "programs");
    if (!programs.empty())
        result.refusals.push_back({caption, std::string(kUsedByProgramsText) + "\n" + programs});
    const std::string combinations =
        usersLine(files, Kind::Combination, CombinationLayout::kClassIds, classId, "combination",
                  "combinations");
    if (!combinations.empty())
        result.refusals.push_back(
            {caption, std::string(kUsedByCombinationsText) + "\n" + combinations});
    if (!result.refusals.empty()) return result;

    // A child would be left naming a class that is gone, or the class moved into its number.
    std::vector<ClassEntry> table(static_cast<std::size_t>(last) + 1);
    db::scanRecords(files, Kind::Class, 0, last, [&](std::int32_t k, ConstBytes record) {
        std::ranges::copy(record, table[k].bytes.begin());
    });
    for (std::int32_t k = 1; k <= last; ++k)
        if (table[k].parentId() == classId) {
            result.refusals.push_back(
                {std::string(kCannotDeleteClassCaption), std::string(kHasSubClassesText)});
            return result;
        }

    if (classId < last) {
        // The last class is copied into the freed number first and the count drops only after
        // every reference has moved to the copy, so a failure on the way (a full disk) never
        // leaves an entry or a class naming a number beyond the count: until then both numbers
        // hold the same class.
        ClassEntry moved = table[last];
        if (moved.parentId() == last) moved.setParentId(classId);
        files.write(classId, moved);
        renumberInEntries<db::DbProgramEntry>(files, ProgramLayout::kClassIds, last, classId);
        renumberInEntries<db::DbCombinationEntry>(files, CombinationLayout::kClassIds, last,
                                                  classId);
        for (std::int32_t k = 1; k < last; ++k) {
            if (k == classId || table[k].parentId() != last) continue;
            ClassEntry entry = table[k];
            entry.setParentId(classId);
            files.write(k, entry);
        }
    }
    files.setCount(Kind::Class, last - 1);
    result.deleted = true;
    return result;
}

}  // namespace pelvaro::classes
