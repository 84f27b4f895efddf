// An SSTV recording made by `encode sstv` of the command-line tool from a test picture, with the
// identification header stamped as the transmitter stamps it by default.
#pragma once

#include "sstv/catalog.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tellur::ui::test {

// Empty path when the tool failed.
inline std::filesystem::path encodeSstvWave(const std::filesystem::path& dir, const std::string& mode, int testPicture = 9)
{
    const auto source = dir / "source.png";
    const auto wav = dir / "sstv.wav";
    if (!sstv::testPicture(testPicture, 340, 256).save(source))
        return {};
    const std::string cmd = std::string(TELLUR_CLI_PATH) + " -q --home '" + (dir / "encoder-home").string() +
                            "' encode sstv --sstv-mode '" + mode + "' --callsign DL1ABC '" + source.string() + "' '" +
                            wav.string() + "' > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0 ? wav : std::filesystem::path();
}

} // namespace tellur::ui::test
