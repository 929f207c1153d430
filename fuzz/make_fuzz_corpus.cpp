// Writes the fuzz targets' seed inputs, always with the same bytes:
//   make_fuzz_corpus <folder>   ->  <folder>/pcg_import/* and <folder>/database_open/*
#include <cstdio>
#include <exception>

#include "fuzz_corpus.h"

int main(int argc, char** argv) {
    try {
        pelvaro::fuzzing::writeCorpus(argc > 1 ? argv[1] : "fuzz/corpus");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_fuzz_corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
