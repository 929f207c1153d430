#pragma once
// The class tree as the class file holds it, walked once. Every class gets its parent as the
// tree shows it, its depth and its path ("X->Y->Z": the names of its ancestors from the top
// down, then its own, joined by "->"), each built from its parent's, so a file of thousands of
// classes chained one below the other costs a pass over it, not a walk to the top per class.
//
// The walk always ends, whatever the file holds: a parent number that is no class counts as the
// top level, and so does the lowest class of a loop of parents. damage() names the first such
// class; an opened database never has one, since Open refuses it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

class ClassTree {
  public:
    ClassTree() : ClassTree(std::vector<ClassEntry>{}) {}
    // Element k is class k; element 0 is "No Class", whose parent place holds the count.
    explicit ClassTree(std::vector<ClassEntry> classes);
    // Records 0 to the class count of the class file in use, or of a class file of `count`
    // classes (a member file being checked).
    static ClassTree read(const RecordFiles& files);
    static ClassTree read(const io::FileStream& file, std::int32_t count);

    std::int32_t count() const { return static_cast<std::int32_t>(classes_.size()) - 1; }
    bool isClass(std::int32_t k) const { return k >= 0 && k <= count(); }
    // Names end at their zero byte. "" for a number that is no class.
    std::string name(std::int32_t k) const;
    // 0 for a top-level class (and for 0 itself).
    std::int32_t parent(std::int32_t k) const { return isClass(k) ? parent_[k] : 0; }
    // 1 for a top-level class, 0 for "No Class".
    int depth(std::int32_t k) const { return isClass(k) ? depth_[k] : 0; }
    // "No Class" for 0; "" for a number that is no class. Valid as long as the tree lives.
    std::string_view path(std::int32_t k) const;
    // The classes directly below k in the order the tree shows them: ascending, except that
    // below 0 the classes cut from a loop of parents follow the real top-level classes.
    const std::vector<std::int32_t>& children(std::int32_t k) const;
    // k and every class below it, ascending; empty for 0 and for a number that is no class.
    std::vector<std::int32_t> withDescendants(std::int32_t k) const;

    struct Damage {
        enum class Kind { MissingParent, Loop } kind;
        std::int32_t classId;  // the class whose parent is missing, or the first met twice
        std::int32_t parent;   // the missing parent's number
    };
    // The first missing parent in class order, else the first loop met.
    const std::optional<Damage>& damage() const { return damage_; }

  private:
    struct PathRef {
        std::uint32_t buffer;
        std::uint32_t length;
    };

    std::vector<ClassEntry> classes_;
    std::vector<std::int32_t> parent_;
    std::vector<int> depth_;
    std::vector<std::vector<std::int32_t>> children_;
    // Paths share their text: a class's path is a prefix of its first child's, so a chain of
    // classes keeps one text for all its paths.
    std::vector<std::string> buffers_;
    std::vector<PathRef> paths_;
    std::optional<Damage> damage_;
};

}  // namespace pelvaro::db
