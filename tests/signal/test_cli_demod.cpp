// The demod command end to end: files, raw standard input at another rate, and its failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::filesystem::path tempDir()
{
    auto d = std::filesystem::temp_directory_path() / ("tellur-cli-demod-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
}

std::vector<std::int16_t> sine(double hz, int rate, int n)
{
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(9000 * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return s;
}

void writeRaw(const std::filesystem::path& p, const std::vector<std::int16_t>& s)
{
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(s.data()), static_cast<std::streamsize>(s.size() * 2));
}

void writeWav(const std::filesystem::path& p, const std::vector<std::int16_t>& s, int rate)
{
    std::ofstream f(p, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    auto bytes = static_cast<std::uint32_t>(s.size() * 2);
    f.write("RIFF", 4);
    u32(36 + bytes);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate * 2));
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(bytes);
    f.write(reinterpret_cast<const char*>(s.data()), bytes);
}

int run(const std::string& args)
{
    int status = std::system((std::string(TELLUR_CLI_PATH) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint16_t> readItems(const std::filesystem::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::vector<std::uint16_t> v;
    unsigned char b[2];
    while (f.read(reinterpret_cast<char*>(b), 2))
        v.push_back(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
    return v;
}

} // namespace

TEST(CliDemod, FileAndRawInputGiveTheSameLevels)
{
    auto dir = tempDir();
    writeWav(dir / "in.wav", sine(2300, 11025, 11025), 11025);
    ASSERT_EQ(run("demod FMFAX " + (dir / "in.wav").string() + " " + (dir / "a.u16").string()), 0);
    auto a = readItems(dir / "a.u16");
    ASSERT_EQ(a.size(), 7350u);
    EXPECT_EQ(a.back(), 191);

    // Raw s16le at 22050 S/s on standard input, resampled to the soundcard rate.
    writeRaw(dir / "in.raw", sine(2300, 22050, 22050));
    ASSERT_EQ(run("demod FMFAX - " + (dir / "b.u16").string() + " --rate 22050 < " + (dir / "in.raw").string()), 0);
    auto b = readItems(dir / "b.u16");
    EXPECT_NEAR(double(b.size()), 7350.0, 4.0);
    EXPECT_NEAR(b[b.size() - 100], 191, 1);

    // A 44.1 kHz file goes through the resampler as well.
    writeWav(dir / "fast.wav", sine(1500, 44100, 44100), 44100);
    ASSERT_EQ(run("demod SSTV " + (dir / "fast.wav").string() + " " + (dir / "c.u16").string()), 0);
    auto c = readItems(dir / "c.u16");
    EXPECT_NEAR(c[c.size() - 100], 90, 1);
    std::filesystem::remove_all(dir);
}

TEST(CliDemod, FailuresHaveTheirExitStatus)
{
    auto dir = tempDir();
    writeWav(dir / "in.wav", sine(1900, 11025, 2000), 11025);
    EXPECT_EQ(run("demod NOSUCH " + (dir / "in.wav").string() + " " + (dir / "o").string()), 2);
    EXPECT_EQ(run("demod FMFAX"), 2);
    EXPECT_EQ(run("demod FMFAX " + (dir / "in.wav").string() + " o --rate fast"), 2);
    EXPECT_EQ(run("demod FMFAX /nonexistent.wav " + (dir / "o").string()), 1);
    std::ofstream(dir / "junk.wav") << "this is no sound file";
    EXPECT_EQ(run("demod FMFAX " + (dir / "junk.wav").string() + " " + (dir / "o").string()), 1);
    EXPECT_EQ(run("demod FMFAX " + (dir / "in.wav").string() + " /nonexistent/dir/out"), 1);
    std::filesystem::remove_all(dir);
}
