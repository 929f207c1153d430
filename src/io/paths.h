#pragma once
// Names of files as the commands choose them: the file-name part of a path, and a chosen name
// cut at its extension. Paths are the file system's bytes; nothing here touches a file.

#include <string>
#include <string_view>

namespace pelvaro::io {

// The part after the last '/' (the whole path when there is none).
inline std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// A chosen name up to the first `extension` in its file-name part (exact case), so "bank.pvd",
// "bank" and "bank.pvd.old" all give "bank", while a folder named "x.pvd" is left alone.
inline std::string cutAtExtension(std::string_view chosen, std::string_view extension) {
    const std::size_t slash = chosen.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(chosen.substr(0, chosen.find(extension, nameStart)));
}

}  // namespace pelvaro::io
