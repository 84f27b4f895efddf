#include "fax/movie_tools.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tellur::fax {

storage::TDI8Bitmap reduceResolution(const storage::TDI8Bitmap& picture, int divisor)
{
    const int d = std::max(divisor, 1);
    const int w = std::max(picture.width() / d, 1);
    const int h = std::max(picture.fullHeight() / d, 1);
    storage::TDI8Bitmap out(w, h);
    out.setColours(picture.colours());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = picture.row(d * y);
        std::uint8_t* dst = out.rowPointer(y);
        if (!src)
            continue;
        for (int x = 0; x < w; ++x)
            dst[x] = src[d * x];
    }
    out.resetWrittenBand();
    return out;
}

storage::TDI8Bitmap scaleToFrame(const storage::TDI8Bitmap& picture, int frameWidth, int frameHeight)
{
    const int w = std::max(frameWidth, 1);
    const int h = std::max(frameHeight, 1);
    const std::int64_t sw = picture.width();
    const std::int64_t sh = picture.fullHeight();
    storage::TDI8Bitmap out(w, h);
    out.setColours(picture.colours());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = picture.row(int(y * sh / h));
        std::uint8_t* dst = out.rowPointer(y);
        if (!src)
            continue;
        for (int x = 0; x < w; ++x)
            dst[x] = src[x * sw / w];
    }
    out.resetWrittenBand();
    return out;
}

bool appendPictureToMovie(const storage::TDI8Bitmap& picture, const std::filesystem::path& file, int rate, int divisor)
{
    const storage::TDI8Bitmap frame = reduceResolution(picture, divisor);
    AviWriter writer;
    std::error_code ec;
    if (std::filesystem::exists(file, ec) && writer.openForAppend(file)) {
        const auto& l = writer.layout();
        const int fw = l.formatWidth;
        const int fh = std::abs(l.formatHeight);
        if (frame.width() == fw && frame.fullHeight() == fh && l.formatHeight > 0) {
            if (!writer.addFrame(pictureFrame(frame))) {
                writer.finish();
                return false;
            }
            return writer.finish();
        }
        const storage::TDI8Bitmap scaled = scaleToFrame(frame, fw, fh);
        std::vector<std::uint8_t> data = pictureFrame(scaled);
        if (l.formatHeight < 0) { // top-down stream: rows in the other order
            const std::size_t stride = std::size_t(storage::dibStride(fw));
            for (int k = 0; k < fh / 2; ++k)
                std::swap_ranges(data.begin() + std::ptrdiff_t(stride * std::size_t(k)),
                    data.begin() + std::ptrdiff_t(stride * std::size_t(k + 1)),
                    data.begin() + std::ptrdiff_t(stride * std::size_t(fh - 1 - k)));
        }
        const bool added = writer.addFrame(data);
        return writer.finish() && added;
    }
    if (std::filesystem::exists(file, ec))
        return false; // there, but not a movie this program can extend: leave it alone
    if (!writer.create(file, pictureFormat(frame), std::uint32_t(std::max(rate, 1)), frame.width(), frame.fullHeight()))
        return false;
    const bool added = writer.addFrame(pictureFrame(frame));
    return writer.finish() && added;
}

bool cutMovie(const std::filesystem::path& file, int first, int last, int skip)
{
    std::filesystem::path temp = file;
    temp += ".$$$.avi";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::filesystem::rename(file, temp, ec);
    if (ec)
        return false; // no movie
    auto restore = [&] {
        std::error_code e;
        std::filesystem::remove(file, e);
        std::filesystem::rename(temp, file, e);
        return false;
    };
    AviMovieReader reader;
    if (!reader.open(temp))
        return restore();
    const AviLayout& l = reader.layout();
    AviWriter writer;
    if (!writer.create(file, l.format, std::max<std::uint32_t>(l.info.rate, 1), l.info.width, l.info.height))
        return restore();
    std::vector<std::uint8_t> data;
    const int from = std::max(first, 0);
    const int to = std::min(last, reader.frameCount() - 1);
    for (int i = from; i <= to; ++i) {
        if (i == skip)
            continue;
        if (!reader.readFrameData(i, data) || !writer.addFrame(data)) {
            writer.finish();
            return restore();
        }
    }
    if (!writer.finish())
        return restore();
    reader = AviMovieReader();
    std::filesystem::remove(temp, ec);
    return true;
}

namespace {

std::string trimmed(std::string_view s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(' ');
    return std::string(s.substr(b, e - b + 1));
}

std::string upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::filesystem::path automovieFileForFormat(const std::filesystem::path& moviesFolder, std::string_view formatCode)
{
    return moviesFolder / (trimmed(formatCode) + ".avi");
}

std::filesystem::path automovieFileForSchedule(const std::filesystem::path& moviesFolder,
    const std::filesystem::path& eventMovieFile, bool alwaysInMoviesFolder)
{
    const std::string name = eventMovieFile.filename().string();
    const std::string stem = name.substr(0, name.find('.'));
    const std::filesystem::path folder = eventMovieFile.parent_path();
    const std::filesystem::path dir = (folder.empty() || alwaysInMoviesFolder) ? moviesFolder : folder;
    return dir / (stem + ".avi");
}

bool automovieAppend(const storage::TDI8Bitmap& picture, const std::filesystem::path& file, int rate, int divisor,
    int maxFrames)
{
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return appendPictureToMovie(picture, file, rate, divisor);
    const auto info = readMovieDescription(file);
    if (!info)
        return false;
    if (maxFrames >= 1 && info->frameCount >= maxFrames)
        if (!cutMovie(file, info->frameCount - maxFrames + 1, info->frameCount - 1, -1))
            return false;
    return appendPictureToMovie(picture, file, rate, divisor);
}

bool sameMovieFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    return upper(a.string()) == upper(b.string());
}

storage::TDI8Bitmap mergePictures(const storage::TDI8Bitmap& target, const storage::TDI8Bitmap& loaded, MergeSide side)
{
    const int w1 = target.width(), h1 = target.fullHeight();
    const int w2 = loaded.width(), h2 = loaded.fullHeight();
    const bool beside = side == MergeSide::Right || side == MergeSide::Left;
    storage::TDI8Bitmap out(beside ? w1 + w2 : w1, beside ? h1 : h1 + h2);
    out.setColours(target.colours());
    auto put = [&](const storage::TDI8Bitmap& src, int srcRow, int dstRow, int column, int width) {
        const std::uint8_t* s = src.row(srcRow);
        std::uint8_t* d = out.rowPointer(dstRow);
        if (s && d)
            std::memcpy(d + column, s, std::size_t(width));
    };
    switch (side) {
    case MergeSide::Right:
        for (int y = 0; y < h1; ++y)
            put(target, y, y, 0, w1);
        for (int y = 0; y < std::min(h1, h2); ++y)
            put(loaded, y, y, w1, w2);
        break;
    case MergeSide::Left:
        for (int y = 0; y < std::min(h1, h2); ++y)
            put(loaded, y, y, 0, w2);
        for (int y = 0; y < h1; ++y)
            put(target, y, y, w2, w1);
        break;
    case MergeSide::Top:
        for (int y = 0; y < h2; ++y)
            put(loaded, y, y, 0, std::min(w1, w2));
        for (int y = 0; y < h1; ++y)
            put(target, y, h2 + y, 0, w1);
        break;
    case MergeSide::Bottom:
        for (int y = 0; y < h1; ++y)
            put(target, y, y, 0, w1);
        for (int y = 0; y < h2; ++y)
            put(loaded, y, h1 + y, 0, std::min(w1, w2));
        break;
    }
    out.resetWrittenBand();
    return out;
}

std::string mergedPictureName(std::string_view oldName)
{
    return "Merged picture" + std::string(oldName.substr(oldName.size() >= 4 ? oldName.size() - 4 : 0));
}

} // namespace tellur::fax
