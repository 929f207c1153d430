#include "db/name_replace.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

#include "db/details.h"
#include "db/listing.h"

namespace pelvaro::db {

namespace {

constexpr std::size_t kNameSize = pcg::kNameSize;

bool named(Kind kind) {
    return kind == Kind::Program || kind == Kind::Combination;
}

bool sameAt(std::string_view name, std::size_t at, std::string_view find, bool matchCase) {
    if (name.size() - at < find.size()) return false;
    for (std::size_t i = 0; i < find.size(); ++i) {
        const char a = name[at + i];
        const char b = find[i];
        if (matchCase ? a != b : upperCase8Bit(a) != upperCase8Bit(b)) return false;
    }
    return true;
}

// "7" with three digits is "007".
std::string padded(std::int64_t number, std::size_t digits) {
    std::string text = std::to_string(number);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

// The name for the entry at `index` of a plan of `count` entries.
NameChange planned(const NamedEntry& entry, std::size_t index, std::size_t count,
                   const NameEdit& edit) {
    NameChange change{entry.id, entry.name, {}, {}};
    if (edit.mode == NameEdit::Mode::Replace) {
        change.wanted = replacedName(entry.name, edit);
        change.newName = change.wanted.substr(0, kNameSize);
        return change;
    }
    // Numbers keep their digits whole: a base too long for them is cut instead, so that the
    // names stay apart.
    const std::int64_t last = std::int64_t{edit.start} + static_cast<std::int64_t>(count) - 1;
    const std::size_t digits = std::max<std::size_t>(2, std::to_string(last).size());
    const std::string number =
        padded(std::int64_t{edit.start} + static_cast<std::int64_t>(index), digits);
    change.wanted = edit.base + number;
    const std::size_t room = kNameSize - std::min(kNameSize, number.size());
    change.newName = (edit.base.substr(0, room) + number).substr(0, kNameSize);
    return change;
}

}  // namespace

std::string replacedName(std::string_view name, const NameEdit& edit) {
    if (edit.find.empty()) return std::string(name);
    std::string out;
    std::size_t at = 0;
    while (at < name.size()) {
        if (sameAt(name, at, edit.find, edit.matchCase)) {
            out += edit.replacement;
            at += edit.find.size();
        } else {
            out.push_back(name[at++]);
        }
    }
    return out;
}

std::string storedName(const RecordFiles& files, Kind kind, std::int32_t id) {
    if (!named(kind) || id < 1 || id > files.count(kind)) return {};
    // Through readEntry, so a name written by a command under way is read as it now stands.
    std::array<Byte, ProgramLayout::kSize> entry{};
    files.readEntry(kind, id, entry);
    return fieldText(ConstBytes(entry).first(kNameSize));
}

std::vector<NamedEntry> storedNames(const RecordFiles& files, Kind kind,
                                    const std::vector<std::int32_t>& ids) {
    std::vector<NamedEntry> entries;
    entries.reserve(ids.size());
    for (std::int32_t id : ids)
        if (named(kind) && id >= 1 && id <= files.count(kind))
            entries.push_back({id, storedName(files, kind, id)});
    return entries;
}

namespace {

// The order of keys, byte by byte: a comparison of the whole key at once.
struct KeyOrder {
    bool operator()(const NamesInUse::Key& a, const NamesInUse::Key& b) const {
        return std::memcmp(a.data(), b.data(), a.size()) < 0;
    }
};

std::int32_t countIn(const std::vector<NamesInUse::Key>& sorted, const NamesInUse::Key& key) {
    // The classic form: clang's reading of the ranges one's result does not build.
    const auto [first, last] = std::equal_range(sorted.begin(), sorted.end(), key, KeyOrder{});
    return static_cast<std::int32_t>(last - first);
}

}  // namespace

NamesInUse::Key NamesInUse::keyOf(std::string_view name) {
    Key key{};
    const std::string text = trimmed(name.substr(0, std::min(name.size(), key.size())));
    std::ranges::transform(text, key.begin(), upperCase8Bit);
    return key;
}

NamesInUse::NamesInUse(NameColumn& names, Kind kind) {
    constexpr Key kNone{};
    names.forEachName(kind, [&](std::int32_t, std::string_view upperName) {
        const Key key = keyOf(upperName);
        if (key != kNone) keys_.push_back(key);
    });
    std::ranges::sort(keys_, KeyOrder{});
}

std::int32_t NamesInUse::count(const Key& key) const {
    return countIn(keys_, key);
}

namespace {

// Marks the changes whose new name is taken twice: by the entries that keep their names (the
// database's count less the changed entries' old names) and the new names together.
void markSameNames(NamesPlan& plan, const NamesInUse& inUse) {
    std::vector<NamesInUse::Key> olds;
    std::vector<NamesInUse::Key> news;
    for (const NameChange& change : plan.changes) {
        olds.push_back(NamesInUse::keyOf(change.oldName));
        news.push_back(NamesInUse::keyOf(change.newName));
    }
    const std::vector<NamesInUse::Key> keys = news;
    std::ranges::sort(olds, KeyOrder{});
    std::ranges::sort(news, KeyOrder{});
    constexpr NamesInUse::Key kNone{};
    for (std::size_t i = 0; i < plan.changes.size(); ++i) {
        const NamesInUse::Key& key = keys[i];
        const std::int32_t taken = inUse.count(key) - countIn(olds, key) + countIn(news, key);
        const bool same = key != kNone && taken > 1;
        plan.changes[i].sameAsAnother = same;
        if (same) ++plan.same;
    }
}

}  // namespace

NamesPlan planNames(const std::vector<NamedEntry>& entries, const NameEdit& edit,
                    const NamesInUse* inUse) {
    NamesPlan plan;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        NameChange change = planned(entries[i], i, entries.size(), edit);
        if (change.newName == change.oldName) {
            ++plan.unchanged;
            continue;
        }
        if (change.cut()) ++plan.cut;
        plan.changes.push_back(std::move(change));
    }
    if (inUse) markSameNames(plan, *inUse);
    return plan;
}

NamesPlan replaceNames(RecordFiles& files, Kind kind, const std::vector<std::int32_t>& ids,
                       const NameEdit& edit) {
    if (!named(kind)) throw std::invalid_argument("only programs and combinations have names");
    NamesPlan plan = planNames(storedNames(files, kind, ids), edit);
    std::vector<Byte> record(layoutOf(kind).recordSize);
    for (const NameChange& change : plan.changes) {
        files.readEntry(kind, change.id, record);
        putEntryName(record, change.newName);
        files.writeEntry(kind, change.id, record);
    }
    return plan;
}

std::string cutMark(const NameChange& change) {
    return change.cut() ? "cut from \"" + change.wanted + "\"" : std::string();
}

std::string changeNote(const NameChange& change) {
    std::string note = cutMark(change);
    if (change.sameAsAnother)
        note += (note.empty() ? "" : "; ") + std::string("same as another name");
    return note;
}

}  // namespace pelvaro::db
