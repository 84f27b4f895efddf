#include "core/durable_file.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tellur {
namespace {

bool syncPath(const fs::path& p, int flags)
{
    const int fd = ::open(p.c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The new name must survive a power loss too: the folder's entry is flushed after the rename.
void syncFolderOf(const fs::path& file)
{
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    syncPath(dir, O_RDONLY | O_DIRECTORY);
}

} // namespace

fs::path uniqueTempPath(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    fs::path tmp = target;
    tmp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    return tmp;
}

bool replaceWithTempFile(const fs::path& tmp, const fs::path& target)
{
    std::error_code ec;
    bool ok = syncPath(tmp, O_RDONLY);
    if (ok) {
        fs::rename(tmp, target, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(tmp, ec);
        return false;
    }
    syncFolderOf(target);
    return true;
}

bool placeTempFileAsNew(const fs::path& tmp, const fs::path& target)
{
    if (!syncPath(tmp, O_RDONLY))
        return false;
    // link() refuses an existing name, where rename() would replace it.
    if (::link(tmp.c_str(), target.c_str()) != 0)
        return false;
    ::unlink(tmp.c_str());
    syncFolderOf(target);
    return true;
}

bool writeFileDurably(const fs::path& target, std::span<const std::uint8_t> bytes)
{
    const fs::path tmp = uniqueTempPath(target);
    std::FILE* f = std::fopen(tmp.c_str(), "wbx");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return false;
    }
    return replaceWithTempFile(tmp, target);
}

} // namespace tellur
