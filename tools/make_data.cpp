// Writes the two data files the program ships, always with the same bytes:
//   make_data <folder>   ->  <folder>/bos.dat and <folder>/demo.pcg

#include <cstdio>
#include <string>

#include "demo_pcg.h"
#include "io/file_stream.h"
#include "pcg/pcg_files.h"
#include "template_image.h"

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "data";
    try {
        pelvaro::pcg::writePcgFile(pelvaro::synthetic::makeTemplateImage(), folder + "/bos.dat");
        pelvaro::pcg::writePcgFile(pelvaro::synthetic::makeDemoImage(), folder + "/demo.pcg");
    } catch (const pelvaro::io::FileError& e) {
        std::fprintf(stderr, "make_data: %s\n", e.what());
        return 1;
    }
    return 0;
}
