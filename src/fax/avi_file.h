// Movies: uncompressed 8-bit AVI files with one video stream ("vids", handler 0, scale 1,
// rate = frames per second), the picture's BITMAPINFOHEADER with its 256-entry colour table as
// stream format, and every frame a bottom-up DIB image written as a key frame and listed in the
// "idx1" index. Common players (ffmpeg's tools, mpv) read them as rawvideo pal8.
//
// Appending patches the headers, adds the frame after the last one and rewrites only the index
// behind it; the frames already in the file are not touched. A file cut short by a crash is
// appended to after its last complete frame. A missing or broken index is rebuilt by walking
// the "movi" list.
//
// Threading: none. Automovie appends run on the GUI thread at the end of a picture; the movie
// window owns its reader.
#pragma once

#include "storage/di8_bitmap.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tellur::fax {

// What the movie window and automovie need of the stream header (the stream information record).
struct MovieStreamInfo {
    std::int32_t frameCount = 0;
    std::uint32_t rate = 0;  // frames per second when scale is 1
    std::uint32_t scale = 1;
    std::int32_t width = 0;  // frame rectangle
    std::int32_t height = 0;
    std::uint32_t suggestedBufferSize = 0;
};

// Random access to the bytes of a movie (a file, or memory for the fuzzer).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads n bytes at offset; false when they are not all there.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

std::unique_ptr<ByteSource> fileSource(const std::filesystem::path& file);
std::unique_ptr<ByteSource> memorySource(std::span<const std::uint8_t> bytes);

// The parsed layout of a movie: where its headers, frames and index are.
struct AviLayout {
    MovieStreamInfo info;
    std::vector<std::uint8_t> format; // BITMAPINFOHEADER + colour table, as stored
    int formatWidth = 0;
    int formatHeight = 0;             // negative: top-down frames
    storage::ColourTable colours{};
    struct Frame {
        std::uint64_t offset = 0; // of the chunk header
        std::uint32_t size = 0;   // data bytes
    };
    std::vector<Frame> frames;
    std::uint64_t avihOffset = 0;   // data of "avih"
    std::uint64_t strhOffset = 0;   // data of "strh"
    std::uint64_t moviListOffset = 0; // "LIST" of movi
    std::uint64_t moviDataEnd = 0;    // end of the last complete frame chunk
    bool indexRebuilt = false;
};

// Parses a movie; nullopt when it is not an 8-bit uncompressed AVI with a video stream.
std::optional<AviLayout> parseAvi(ByteSource& source);

// Plays a movie frame by frame.
class AviMovieReader {
public:
    bool open(const std::filesystem::path& file);
    bool open(std::unique_ptr<ByteSource> source);
    const MovieStreamInfo& info() const { return m_layout.info; }
    int frameCount() const { return int(m_layout.frames.size()); }
    const AviLayout& layout() const { return m_layout; }
    // Frame i as a picture of the format's size with the stream's colour table; a short frame is
    // padded with 0. False for a frame that is not there or cannot be read.
    bool readFrame(int index, storage::TDI8Bitmap& out);
    // The stored bytes of frame i.
    bool readFrameData(int index, std::vector<std::uint8_t>& out);

private:
    std::unique_ptr<ByteSource> m_source;
    AviLayout m_layout;
};

// Read movie description: false (nullopt) when the file or its video stream cannot be read.
std::optional<MovieStreamInfo> readMovieDescription(const std::filesystem::path& file);

// Builds a new movie or appends to one.
class AviWriter {
public:
    ~AviWriter();
    // A new file (replacing any), one stream of the picture format at the given rate.
    bool create(const std::filesystem::path& file, std::span<const std::uint8_t> format, std::uint32_t rate,
        std::int32_t frameWidth, std::int32_t frameHeight);
    // An existing movie; frames are added after its last complete frame.
    bool openForAppend(const std::filesystem::path& file);
    const AviLayout& layout() const { return m_layout; }
    // Raw frame data (bottom-up rows, the format's stride).
    bool addFrame(std::span<const std::uint8_t> data);
    // Writes the index and the counts; the file is complete after this.
    bool finish();

private:
    bool patchHeaders();
    std::fstream m_file;
    std::filesystem::path m_path;
    AviLayout m_layout;
    bool m_open = false;
};

// The picture's format block (40-byte header with this height + 1024-byte colour table) and its
// frame bytes (full height, bottom-up).
std::vector<std::uint8_t> pictureFormat(const storage::TDI8Bitmap& picture);
std::vector<std::uint8_t> pictureFrame(const storage::TDI8Bitmap& picture);

} // namespace tellur::fax
