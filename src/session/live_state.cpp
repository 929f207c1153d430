#include "session/live_state.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "io/file_stream.h"
#include "io/safe_files.h"

namespace pelvaro::session {

namespace {

constexpr std::string_view kKilled = "killed\n";
constexpr std::string_view kExited = "exited\n";

// The start folder's path as a short name: 64 bits of FNV-1a in hex.
std::string keyOf(const std::string& startDirectory) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : startDirectory) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001B3ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string readAll(const std::string& path) {
    try {
        const io::FileStream file = io::FileStream::openRead(path);
        std::string text(static_cast<std::size_t>(std::min<std::int64_t>(file.size(), 1 << 20)),
                         '\0');
        text.resize(file.readAt(0, Bytes(reinterpret_cast<Byte*>(text.data()), text.size())));
        return text;
    } catch (const io::FileError&) {
        return {};
    }
}

}  // namespace

LiveState::LiveState(std::string recoveryFolder, const std::string& startDirectory)
    : folder_(std::move(recoveryFolder)), key_(keyOf(startDirectory)) {}

std::string LiveState::path(std::string_view what) const {
    return folder_ + "/." + std::string(what) + "-" + key_;
}

void LiveState::write(const std::string& target, const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    io::AtomicFile file(target);
    file.stream().writeAt(0, ConstBytes(reinterpret_cast<const Byte*>(text.data()), text.size()));
    file.commit();
}

void LiveState::keepPcg(const pcg::PcgImage& image, const std::string& pcgFileName) {
    if (!keeps()) return;
    // The image whole, so the file is a PCG as it stands, and the name after it.
    const ConstBytes bytes = image.bytes();
    std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    write(path("live") + ".pcg", text + pcgFileName);
}

void LiveState::forgetPcg() {
    if (keeps()) io::removeFile(path("live") + ".pcg");
}

void LiveState::keepDatabasePath(const std::string& databasePath) {
    if (!keeps()) return;
    if (databasePath.empty())
        io::removeFile(path("live") + ".from");
    else
        write(path("live") + ".from", databasePath);
}

LiveState::Left LiveState::left() const {
    Left left;
    if (!keeps()) return left;
    const std::string pcgText = readAll(path("live") + ".pcg");
    if (pcgText.size() >= pcg::kPcgSize && pcgText.starts_with(pcg::kMagic)) {
        left.pcg.emplace();
        std::copy_n(pcgText.begin(), pcg::kPcgSize,
                    reinterpret_cast<char*>(left.pcg->bytes().data()));
        left.pcgFileName = pcgText.substr(pcg::kPcgSize);
    }
    left.databasePath = readAll(path("live") + ".from");
    return left;
}

void LiveState::forget() {
    if (!keeps()) return;
    forgetPcg();
    keepDatabasePath({});
}

void LiveState::markLastRun(const Mark& mark) {
    if (keeps()) write(path("last"), std::string(mark.killed ? kKilled : kExited) + mark.copy);
}

std::optional<LiveState::Mark> LiveState::lastRun() const {
    if (!keeps()) return std::nullopt;
    const std::string text = readAll(path("last"));
    if (text.starts_with(kKilled)) return Mark{text.substr(kKilled.size()), true};
    if (text.starts_with(kExited)) return Mark{text.substr(kExited.size()), false};
    return std::nullopt;
}

void LiveState::unmarkLastRun(const std::string& copy) {
    const std::optional<Mark> mark = lastRun();
    if (mark && mark->copy == copy) io::removeFile(path("last"));
}

}  // namespace pelvaro::session
