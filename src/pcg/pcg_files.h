#pragma once
// Whole images between disk and memory: the empty PCG from the template file, import, export
// and New Pcg. Each reads into a local buffer first and changes the state only when the read
// succeeded, so a failure leaves the open PCG as it was.

#include <string>
#include <string_view>

#include "io/refusal.h"
#include "pcg/pcg_image.h"

namespace pelvaro::pcg {

inline constexpr std::string_view kTemplateFileName = "bos.dat";

// The message box of an import refused for its contents.
inline constexpr std::string_view kNotCompatibleText =
    "This is not a compatible Pcg file.Please select a Korg5 Pcg file.";
inline constexpr std::string_view kNotCompatibleCaption = "File type error";
// The message of a template file that is no PCG; the path follows.
inline constexpr std::string_view kBadTemplateText =
    "The empty-PCG template must be a Korg5 Pcg file of 69416 bytes. This one is not: ";

// Fills the image from the template file, copies its A00 program and combination over every
// slot of both banks and clears every flag. Throws FileError, or RefusalError ("File type
// error") for a template that does not begin "KORG5" or is shorter than a whole image; the
// state is then unchanged.
void loadEmptyPcg(PcgState& pcg, const std::string& templatePath);

// Takes the two empty-slot templates from the template file's A00 slots, and its four kits for
// emptied kit slots. Throws as loadEmptyPcg.
void loadTemplates(PcgState& pcg, const std::string& templatePath);

enum class ImportResult { Imported, NotCompatible };

// Loads a PCG file. A file that does not begin with "KORG5", or that is shorter than a whole
// image, is NotCompatible and changes nothing; a longer file gives its first 69416 bytes.
// Occupancy is recomputed and the kit scan run. Throws FileError when the file cannot be read.
ImportResult importPcg(PcgState& pcg, const std::string& path);
// The same, saying why a file is NotCompatible in the words of a report: "40,000 bytes; a PCG
// file has 69,416" or "does not begin with KORG5". Empty when the file was imported.
std::string importPcgOrSayWhy(PcgState& pcg, const std::string& path);

// The name an export is written under: the chosen path cut before the first ".pcg" of its file
// name part (exact case), then ".pcg" appended. A ".pcg" inside a folder name is left alone.
std::string pcgExportName(const std::string& chosen);

// Writes the image, exactly 69416 bytes, replacing the file at path only once it is complete.
void writePcgFile(const PcgImage& image, const std::string& path);

// "New Pcg": forgets the imported file's name and goes back to the empty PCG of the template
// file. The empty-slot templates taken at start-up stay.
void newPcg(PcgState& pcg, const std::string& templatePath);

// The template file's path inside a folder.
std::string templatePathIn(const std::string& directory);

}  // namespace pelvaro::pcg
