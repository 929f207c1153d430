#include "pcg/pcg_files.h"

#include <algorithm>

#include "io/file_stream.h"
#include "io/paths.h"
#include "io/refusal.h"
#include "io/safe_files.h"
#include "io/wording.h"

namespace pelvaro::pcg {

namespace {

// The template is checked as an import checks a PCG: a file of another kind would otherwise
// become every new PCG, and every export from it one that the instrument and the import refuse.
PcgImage readTemplateImage(const std::string& templatePath) {
    PcgImage image;
    const io::FileStream file = io::FileStream::openRead(templatePath);
    if (file.readAt(0, image.bytes()) < kPcgSize ||
        !std::equal(kMagic.begin(), kMagic.end(), image.bytes().begin()))
        throw io::RefusalError(io::Refusal{std::string(kNotCompatibleCaption),
                                           std::string(kBadTemplateText) + templatePath});
    return image;
}

}  // namespace

void loadEmptyPcg(PcgState& pcg, const std::string& templatePath) {
    PcgImage image = readTemplateImage(templatePath);
    const auto emptyProgram = image.program(0);
    const auto emptyCombination = image.combination(0);
    for (int s = 1; s < kSlotCount; ++s) {
        std::ranges::copy(emptyProgram, image.program(s).begin());
        std::ranges::copy(emptyCombination, image.combination(s).begin());
    }
    pcg.image = std::move(image);
    pcg.occupancy.clear();
    scanDrumKits(pcg);
}

void loadTemplates(PcgState& pcg, const std::string& templatePath) {
    const PcgImage image = readTemplateImage(templatePath);
    std::ranges::copy(image.program(0), pcg.templates.program.begin());
    std::ranges::copy(image.combination(0), pcg.templates.combination.begin());
    for (int k = 0; k < kDrumKitCount; ++k)
        std::ranges::copy(image.drumKit(k), pcg.templates.drumKits[k].begin());
}

ImportResult importPcg(PcgState& pcg, const std::string& path) {
    return importPcgOrSayWhy(pcg, path).empty() ? ImportResult::Imported
                                                : ImportResult::NotCompatible;
}

std::string importPcgOrSayWhy(PcgState& pcg, const std::string& path) {
    PcgImage image;
    {
        const io::FileStream file = io::FileStream::openRead(path);
        const std::size_t got = file.readAt(0, image.bytes());
        if (got < kMagic.size() || !std::equal(kMagic.begin(), kMagic.end(), image.bytes().begin()))
            return "does not begin with " + std::string(kMagic);
        // A short file would leave the previous PCG's tail in the image and mix two files into
        // one; it is refused like a foreign file.
        if (got < kPcgSize)
            return countOf(static_cast<std::int64_t>(got), "byte", "bytes") + "; a PCG file has " +
                   grouped(static_cast<std::int64_t>(kPcgSize));
    }

    pcg.image = std::move(image);
    pcg.pcgFileName = path;
    computeOccupancy(pcg);
    scanDrumKits(pcg);
    return {};
}

std::string pcgExportName(const std::string& chosen) {
    return io::cutAtExtension(chosen, ".pcg") + ".pcg";
}

void writePcgFile(const PcgImage& image, const std::string& path) {
    io::writeFileSafely(path, image.bytes());
}

void newPcg(PcgState& pcg, const std::string& templatePath) {
    pcg.pcgFileName.clear();
    loadEmptyPcg(pcg, templatePath);
}

std::string templatePathIn(const std::string& directory) {
    if (directory.empty()) return std::string(kTemplateFileName);
    return directory + (directory.back() == '/' ? "" : "/") + std::string(kTemplateFileName);
}

}  // namespace pelvaro::pcg
