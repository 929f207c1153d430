// The committed fuzz seeds are what our own generator makes, byte for byte: no file from
// anywhere else is among them, and a change to the generator shows up here.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz_corpus.h"
#include "pcg_builder.h"

using namespace pelvaro;

TEST(FuzzCorpus, TheCommittedSeedsAreTheGeneratedOnes) {
    for (const auto& [target, seeds] : {std::pair{"pcg_import", fuzzing::pcgImportSeeds()},
                                        std::pair{"database_open", fuzzing::databaseOpenSeeds()}}) {
        const std::filesystem::path dir = std::filesystem::path(PELVARO_CORPUS_DIR) / target;
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            (void)entry;
            ++files;
        }
        EXPECT_EQ(files, seeds.size()) << target;
        for (const fuzzing::Seed& seed : seeds)
            EXPECT_TRUE(pelvaro::synthetic::readBytes((dir / seed.name).string()) == seed.bytes)
                << target << "/" << seed.name << " differs from the generator's: run "
                << "make_fuzz_corpus fuzz/corpus";
    }
}
