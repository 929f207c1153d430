#pragma once
// The seed inputs of the two fuzz targets, made by our own generators: the shipped template and
// the demo PCG, random PCGs, databases made from them by the transfer engine (with classes,
// class assignments and deletions), and a few damaged and foreign files. make_fuzz_corpus
// writes them into fuzz/corpus/<target>/; a test checks that the committed seeds are these.

#include <string>
#include <vector>

#include "io/bytes.h"

namespace pelvaro::fuzzing {

struct Seed {
    std::string name;
    std::vector<Byte> bytes;
};

std::vector<Seed> pcgImportSeeds();
std::vector<Seed> databaseOpenSeeds();  // packed as database_input.h says

// Writes both targets' seeds into folder/pcg_import and folder/database_open.
void writeCorpus(const std::string& folder);

}  // namespace pelvaro::fuzzing
