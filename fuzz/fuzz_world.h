#pragma once
// What both fuzz targets share: one private folder per process (in memory where the system has
// one, so the many small writes and the syncs of an export cost little), the template file in
// it, a started session over it, and the checks that stop the run with a finding.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "consistency.h"
#include "io/file_stream.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "session/session.h"
#include "template_image.h"

namespace pelvaro::fuzzing {

// A finding: the text goes to the fuzzer's log and the run stops with the input kept.
[[noreturn]] inline void broken(const std::string& what) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void require(bool ok, const std::string& what) {
    if (!ok) broken(what);
}

inline void requireNoProblems(const std::vector<std::string>& problems, const std::string& where) {
    if (!problems.empty()) broken(where + ":\n" + testing::joined(problems));
}

inline void writeWhole(const std::string& path, ConstBytes bytes) {
    synthetic::writeBytes(path, std::vector<Byte>(bytes.begin(), bytes.end()));
}

inline std::vector<Byte> readWhole(const std::string& path) {
    const io::FileStream file = io::FileStream::openRead(path);
    std::vector<Byte> bytes(static_cast<std::size_t>(file.size()));
    file.readExactAt(0, bytes);
    return bytes;
}

inline std::vector<Byte> readWhole(const io::FileStream& file) {
    std::vector<Byte> bytes(static_cast<std::size_t>(file.size()));
    file.readExactAt(0, bytes);
    return bytes;
}

// The private folder, removed when the process ends normally (a crash leaves it for a look).
class PrivateFolder {
  public:
    PrivateFolder() {
        std::error_code error;
        const std::filesystem::path shm = "/dev/shm";
        const std::filesystem::path base =
            std::filesystem::is_directory(shm, error) && ::access("/dev/shm", W_OK) == 0
                ? shm
                : std::filesystem::temp_directory_path();
        std::string pattern = (base / "pelvaro-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) broken("no private folder");
        path_ = pattern;
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A session started in the private folder, as the main window starts one.
struct FuzzWorld {
    PrivateFolder folder;
    bool templateWritten = [this] {
        pcg::writePcgFile(synthetic::makeTemplateImage(), folder.file("bos.dat"));
        return true;
    }();
    session::Session session{folder.path()};

    ~FuzzWorld() { session.shutDown(); }
    std::string file(const std::string& name) const { return folder.file(name); }
};

}  // namespace pelvaro::fuzzing
