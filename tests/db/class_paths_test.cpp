// Classes of another database found here by their paths, made where they are missing, as far as
// an entry's class slot reaches.
#include "db/class_paths.h"

#include <gtest/gtest.h>

#include "classes/class_table.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(ClassImport, FindsClassesByPathAndMakesTheMissingOnesWhileThereIsRoom) {
    TestDatabase here;
    for (int k = 1; k <= 125; ++k)
        here.addClass("C" + std::to_string(k));
    TestDatabase there;
    const int x = there.addClass("X");
    const int z = there.addClass("Z");
    const int y = there.addClass("Y", x);
    const int c7 = there.addClass("C7");
    const int below = there.addClass("W", z);

    db::ClassImport classes(here.files(), db::ClassTree::read(there.files()), classes::kMaxClasses);
    // Y takes its parent along: X first, then Y below it; the last two numbers an entry holds.
    EXPECT_EQ(classes.here(y), 127);
    EXPECT_EQ(classes.here(x), 126);
    EXPECT_EQ(here.classEntry(127).name(), "Y");
    EXPECT_EQ(here.classEntry(127).parentId(), 126);
    EXPECT_EQ(classes.here(c7), 7);
    // No room for Z, nor for the class below it.
    EXPECT_EQ(classes.here(below), 0);
    classes.importRest();
    EXPECT_EQ(classes.made(), (std::vector<std::int32_t>{126, 127}));
    EXPECT_EQ(classes.leftOff(), (std::vector<std::int32_t>{z, below}));
    EXPECT_EQ(here.files().count(db::Kind::Class), 127);

    // A class found beyond 127 (a class file of more) is no class an entry can carry.
    here.addClass("Late");
    TestDatabase late;
    const int l = late.addClass("Late");
    db::ClassImport again(here.files(), db::ClassTree::read(late.files()), classes::kMaxClasses);
    EXPECT_EQ(again.here(l), 0);
    EXPECT_EQ(again.leftOff(), (std::vector<std::int32_t>{l}));
    EXPECT_TRUE(again.made().empty());
}
