#pragma once
// The class editor's content and actions: the class tree, the parent choices, the rule of the
// Add button, adding a class and deleting one with the checks that keep every reference to a
// class pointing at a class that exists.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"
#include "io/refusal.h"

namespace pelvaro::classes {

// An entry's class slot is a signed byte, so class 127 is the last an entry can carry; the
// editor adds no class beyond it.
inline constexpr std::int32_t kMaxClasses = 127;
inline constexpr std::string_view kClassTableFullText =
    "The class table is full: an entry can hold classes 1 to 127 only.";

inline constexpr std::string_view kNoParentClass = "No Parent Class";
inline constexpr std::string_view kCannotDeleteProgramCaption = "Cannot Delete Program";
inline constexpr std::string_view kUsedByProgramsText =
    "This class is used by some Programs.You cannot delete it before deleting these programs.";
inline constexpr std::string_view kUsedByCombinationsText =
    "This class is used by some Combinations.You cannot delete it before deleting these "
    "combinations.";
inline constexpr std::string_view kCannotDeleteClassCaption = "Cannot Delete Class";
inline constexpr std::string_view kHasSubClassesText =
    "This class has sub classes.You cannot delete it before deleting them.";

// One node of the class tree. Nodes come parents first, so a view can add them in order; the
// children of one parent, and the top-level nodes after "No Class", in ascending class number.
struct ClassNode {
    std::int32_t classId;  // 0 for the "No Class" node
    int parentNode;        // index of the parent's node in the list, -1 at the top level
    std::string name;      // the class's own name, not its path
    friend bool operator==(const ClassNode&, const ClassNode&) = default;
};

struct ClassEditorContent {
    std::vector<ClassNode> nodes;            // node 0 is "No Class"
    std::vector<std::string> parentChoices;  // "No Parent Class", then class 1, 2, ... by name
    bool full = false;                       // kMaxClasses reached: no class can be added
};

// The tree and the parent choices from the class file. Every class is shown once; a class whose
// chain of parents does not reach the top (only in a damaged file) is shown at the top level
// rather than left out or followed for ever.
ClassEditorContent classEditorContent(const db::RecordFiles& files);

// A class can be added when the name without leading and trailing characters of code 32 and
// below is not empty, a parent item is chosen (index 0 to the class count), and the table is
// not full.
bool canAddClass(const db::RecordFiles& files, std::string_view className, int parentChoice);

// Adds a class named as typed (cut to 19 characters) below the chosen parent (0: top level,
// i: class i). Returns the new class number, or -1 (nothing added) when canAddClass says no.
std::int32_t addClass(db::RecordFiles& files, std::string_view className, int parentChoice);

struct ClassDeletion {
    bool deleted = false;
    // The message boxes, in the order they are shown, in UTF-8. A refusal for entries that carry
    // the class holds a second line after the fixed text, naming the first of them: "Used by
    // programs 12 Warm Pad, 40 Str Pad and 3 more".
    std::vector<io::Refusal> refusals;
};

// Deletes class k. Refused, with nothing changed, when a program entry carries it (first
// message), when a combination entry carries it (second message; both scans run), or, after
// both found nothing, when another class lies directly below it. Otherwise the last class
// takes number k and every class byte of an entry and every parent that named the last class
// are rewritten to k. 0 ("No Class") and numbers that are no class delete nothing.
ClassDeletion deleteClass(db::RecordFiles& files, std::int32_t classId);

}  // namespace pelvaro::classes
