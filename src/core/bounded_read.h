// Whole files read into memory with a cap, so that a huge file or a device without end
// (/dev/zero as input) is refused instead of filling the memory. Reentrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace tellur {

// Text and data files of the station (messages, station lists, imports).
inline constexpr std::size_t kMaxTextFileBytes = 64u * 1024 * 1024;

// The file's bytes (std::string or std::vector<std::uint8_t>); nullopt when it cannot be read or
// holds more than maxBytes. A regular file too large is refused by its size without reading.
template <class Bytes = std::string>
std::optional<Bytes> readFileAtMost(const std::filesystem::path& file, std::size_t maxBytes)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec) && std::filesystem::file_size(file, ec) > maxBytes && !ec)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    Bytes bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        if (bytes.size() + n > maxBytes)
            return std::nullopt;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}

} // namespace tellur
