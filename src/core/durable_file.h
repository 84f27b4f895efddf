// Files that are replaced or created whole. Each is written under a temporary name of its own
// beside the target (unique per process and call, so parallel writers never share one), flushed
// to the disk, and only then put in place, so a crash or kill at any moment leaves either the old
// file or the complete new one. Reentrant.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace tellur {

// "<target>.tmp-<pid>-<n>" in the target's folder.
std::filesystem::path uniqueTempPath(const std::filesystem::path& target);

// Flushes tmp to the disk and renames it over target; tmp is removed on failure.
bool replaceWithTempFile(const std::filesystem::path& tmp, const std::filesystem::path& target);

// Flushes tmp and gives it the name target only when no file of that name exists (atomically: two
// writers racing for one name never overwrite each other). False, with tmp kept, when the name is
// taken or on failure.
bool placeTempFileAsNew(const std::filesystem::path& tmp, const std::filesystem::path& target);

// Writes bytes to target through a temporary file and replaceWithTempFile.
bool writeFileDurably(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

} // namespace tellur
