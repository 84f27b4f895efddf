// Configuration file bytes: decoding, every field's value text and the folder set-up must hold
// up against any content (damaged length bytes, absurd folder texts).
#include "settings/config_fields.h"
#include "core/config_file.h"
#include "core/event_log.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tellur;
    std::span<const std::uint8_t> bytes(data, size);
    StationConfig config;
    // Short inputs are widened to a record behind a valid header so the field code gets exercised.
    if (size < StationConfig::kSize) {
        StationConfig padded;
        std::copy(bytes.begin(), bytes.end(), padded.bytes().begin());
        padded.writeHeader();
        std::span<const std::uint8_t> all(padded.bytes().data(), padded.bytes().size());
        if (!decodeConfigRecord(all, config))
            __builtin_trap();
    } else if (!decodeConfigRecord(bytes, config)) {
        return 0;
    }
    std::size_t total = 0;
    for (const auto& f : configFields())
        total += fieldValueText(config, f).size();
    NullEventLog log;
    ConfigFileStore store("/nonexistent/station", log);
    store.setUpFolders(config); // string work only; nothing is created
    for (int i = 0; i < kFolderCount; ++i)
        total += folderPath(config, static_cast<StationFolder>(i), store.stationFolder()).string().size();
    return total > 0 ? 0 : 0;
}
