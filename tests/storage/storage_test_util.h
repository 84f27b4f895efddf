// Shared helpers of the storage tests: a scratch folder and deterministic pictures.
#pragma once

#include "storage/di8_bitmap.h"
#include "storage/rgb_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace storage_test {

// A fresh folder per test, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info ? info->test_suite_name() : "t") + "_" + (info ? info->name() : "x");
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_path = std::filesystem::temp_directory_path() / ("tellur-storage-" + std::to_string(::getpid())) / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Odd width (exercises the stride), every index used, a palette that is not a grey ramp.
inline tellur::storage::TDI8Bitmap patternPicture(int width = 37, int height = 23)
{
    tellur::storage::TDI8Bitmap p(width, height);
    for (int i = 0; i < 256; ++i)
        p.setColour(i, tellur::storage::colourValue(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.setPixel(x, y, std::uint8_t((x * 13 + y * 29) & 255));
    return p;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& f)
{
    std::ifstream in(f, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& f, const std::vector<std::uint8_t>& b)
{
    std::ofstream out(f, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Runs a shell command, returns its standard output (empty on failure).
inline std::string run(const std::string& cmd)
{
    std::string out;
    FILE* f = ::popen(cmd.c_str(), "r");
    if (!f)
        return out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, f))
        out += buf;
    if (::pclose(f) != 0)
        return {};
    return out;
}

inline bool haveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace storage_test
