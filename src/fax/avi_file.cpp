#include "fax/avi_file.h"

#include "core/le_bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tellur::fax {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t fourcc(const char (&s)[5])
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kRiff = fourcc("RIFF");
constexpr std::uint32_t kAvi = fourcc("AVI ");
constexpr std::uint32_t kList = fourcc("LIST");
constexpr std::uint32_t kHdrl = fourcc("hdrl");
constexpr std::uint32_t kAvih = fourcc("avih");
constexpr std::uint32_t kStrl = fourcc("strl");
constexpr std::uint32_t kStrh = fourcc("strh");
constexpr std::uint32_t kStrf = fourcc("strf");
constexpr std::uint32_t kMovi = fourcc("movi");
constexpr std::uint32_t kIdx1 = fourcc("idx1");
constexpr std::uint32_t kVids = fourcc("vids");
constexpr std::uint32_t kRec = fourcc("rec ");
constexpr std::uint32_t kKeyFrame = 0x10;
constexpr std::uint32_t kHasIndex = 0x10;
constexpr std::uint64_t kMaxRiffEnd = 0xFFFFFFF0u;
constexpr std::size_t kFormatSize = storage::kDibPixelOffset; // 1064

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t off) { return std::uint32_t(readI32(b, off)); }

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& file) : m_in(file, std::ios::binary)
    {
        std::error_code ec;
        m_size = std::filesystem::file_size(file, ec);
        if (ec)
            m_size = 0;
    }
    bool ok() const { return bool(m_in); }
    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset > m_size || out.size() > m_size - offset)
            return false;
        m_in.clear();
        m_in.seekg(std::streamoff(offset));
        m_in.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
        return std::size_t(m_in.gcount()) == out.size();
    }

private:
    std::ifstream m_in;
    std::uint64_t m_size = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return m_bytes.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset > m_bytes.size() || out.size() > m_bytes.size() - offset)
            return false;
        std::memcpy(out.data(), m_bytes.data() + offset, out.size());
        return true;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

struct ChunkHeader {
    std::uint32_t id = 0;
    std::uint32_t size = 0;
};

bool readHeader(ByteSource& s, std::uint64_t pos, ChunkHeader& h)
{
    std::array<std::uint8_t, 8> b{};
    if (!s.read(pos, b))
        return false;
    h.id = u32(b, 0);
    h.size = u32(b, 4);
    return true;
}

bool readU32(ByteSource& s, std::uint64_t pos, std::uint32_t& v)
{
    std::array<std::uint8_t, 4> b{};
    if (!s.read(pos, b))
        return false;
    v = u32(b, 0);
    return true;
}

std::uint64_t padded(std::uint32_t size) { return std::uint64_t(size) + (size & 1u); }

// The stream's frame chunk ids: "NNdb" and "NNdc".
bool isFrameChunk(std::uint32_t id, int stream)
{
    const char a = char('0' + stream / 10), b = char('0' + stream % 10);
    if (char(id & 0xFF) != a || char((id >> 8) & 0xFF) != b)
        return false;
    const std::uint32_t tail = id >> 16;
    return tail == (fourcc("00db") >> 16) || tail == (fourcc("00dc") >> 16);
}

struct StreamHeaders {
    bool found = false;
    int index = 0;
    Bytes strh;
    Bytes strf;
    std::uint64_t strhOffset = 0;
};

bool parseStrl(ByteSource& s, std::uint64_t pos, std::uint64_t end, int streamIndex, StreamHeaders& out)
{
    Bytes strh, strf;
    std::uint64_t strhOffset = 0;
    while (pos + 8 <= end) {
        ChunkHeader h;
        if (!readHeader(s, pos, h))
            return false;
        const std::uint64_t data = pos + 8;
        if (data + h.size > end)
            return false;
        if (h.id == kStrh && h.size >= 56) {
            strh.resize(56);
            if (!s.read(data, strh))
                return false;
            strhOffset = data;
        } else if (h.id == kStrf && h.size >= 40) {
            strf.resize(std::min<std::size_t>(h.size, kFormatSize));
            if (!s.read(data, strf))
                return false;
        }
        pos = data + padded(h.size);
    }
    if (!out.found && strh.size() == 56 && u32(strh, 0) == kVids && !strf.empty()) {
        out.found = true;
        out.index = streamIndex;
        out.strh = std::move(strh);
        out.strf = std::move(strf);
        out.strhOffset = strhOffset;
    }
    return true;
}

} // namespace

std::unique_ptr<ByteSource> fileSource(const std::filesystem::path& file)
{
    auto f = std::make_unique<FileSource>(file);
    if (!f->ok())
        return nullptr;
    return f;
}

std::unique_ptr<ByteSource> memorySource(std::span<const std::uint8_t> bytes)
{
    return std::make_unique<MemorySource>(bytes);
}

std::optional<AviLayout> parseAvi(ByteSource& s)
{
    ChunkHeader riff;
    std::uint32_t form = 0;
    if (!readHeader(s, 0, riff) || riff.id != kRiff || !readU32(s, 8, form) || form != kAvi)
        return std::nullopt;
    // A file cut short by a crash claims more than it holds: trust the file size.
    const std::uint64_t end = std::min<std::uint64_t>(s.size(), 8 + std::uint64_t(riff.size));

    AviLayout layout;
    StreamHeaders stream;
    bool haveAvih = false;
    bool haveMovi = false;
    std::uint64_t moviData = 0, moviEnd = 0;
    std::uint64_t idxPos = 0;
    std::uint32_t idxSize = 0;
    std::uint64_t pos = 12;
    while (pos + 8 <= end) {
        ChunkHeader h;
        if (!readHeader(s, pos, h))
            break;
        const std::uint64_t data = pos + 8;
        const std::uint64_t chunkEnd = std::min<std::uint64_t>(data + h.size, end);
        if (h.id == kList && h.size >= 4) {
            std::uint32_t type = 0;
            if (!readU32(s, data, type))
                break;
            if (type == kHdrl) {
                int streamIndex = 0;
                std::uint64_t p = data + 4;
                while (p + 8 <= chunkEnd) {
                    ChunkHeader sub;
                    if (!readHeader(s, p, sub))
                        break;
                    const std::uint64_t subData = p + 8;
                    if (subData + sub.size > chunkEnd)
                        break;
                    if (sub.id == kAvih && sub.size >= 56) {
                        layout.avihOffset = subData;
                        haveAvih = true;
                    } else if (sub.id == kList && sub.size >= 4) {
                        std::uint32_t subType = 0;
                        if (readU32(s, subData, subType) && subType == kStrl) {
                            if (!parseStrl(s, subData + 4, subData + sub.size, streamIndex, stream))
                                return std::nullopt;
                            ++streamIndex;
                        }
                    }
                    p = subData + padded(sub.size);
                }
            } else if (type == kMovi && !haveMovi) {
                haveMovi = true;
                layout.moviListOffset = pos;
                moviData = data + 4;
                moviEnd = chunkEnd;
            }
        } else if (h.id == kIdx1) {
            idxPos = data;
            idxSize = std::uint32_t(std::min<std::uint64_t>(h.size, end - data));
        }
        pos = data + padded(h.size);
    }
    if (!haveAvih || !haveMovi || !stream.found || stream.index > 99)
        return std::nullopt;

    // The format: an uncompressed 8-bit DIB header and its colour table.
    const Bytes& f = stream.strf;
    const std::uint32_t biSize = u32(f, 0);
    const std::int32_t width = readI32(f, 4);
    const std::int32_t height = readI32(f, 8);
    if (biSize < 40 || readU16(f, 14) != 8 || u32(f, 16) != 0 || width <= 0 || height == 0 || width > 32767 ||
        height > 32767 || height < -32767)
        return std::nullopt;
    layout.format.assign(kFormatSize, 0);
    std::copy_n(f.begin(), std::min<std::size_t>(40, f.size()), layout.format.begin());
    writeI32(layout.format, 0, 40);
    std::uint32_t entries = u32(f, 32);
    if (entries == 0 || entries > 256)
        entries = 256;
    const std::size_t tableAt = std::min<std::size_t>(biSize, f.size());
    for (std::uint32_t i = 0; i < entries && tableAt + 4 * i + 4 <= f.size(); ++i) {
        const std::uint8_t* q = f.data() + tableAt + 4 * i;
        layout.colours[i] = storage::colourValue(q[2], q[1], q[0]);
        std::copy_n(q, 4, layout.format.begin() + 40 + 4 * std::ptrdiff_t(i));
    }
    writeI32(layout.format, 32, 256);
    layout.formatWidth = width;
    layout.formatHeight = height;
    layout.strhOffset = stream.strhOffset;

    const Bytes& sh = stream.strh;
    layout.info.scale = std::max<std::uint32_t>(u32(sh, 20), 1);
    layout.info.rate = u32(sh, 24);
    layout.info.suggestedBufferSize = u32(sh, 36);
    const int rcRight = std::int16_t(readU16(sh, 52)) - std::int16_t(readU16(sh, 48));
    const int rcBottom = std::int16_t(readU16(sh, 54)) - std::int16_t(readU16(sh, 50));
    layout.info.width = rcRight > 0 ? rcRight : width;
    layout.info.height = rcBottom > 0 ? rcBottom : std::abs(height);

    // Frames from the index, checked one by one against the movi list.
    const std::uint64_t moviFourcc = moviData - 4;
    bool indexGood = idxSize >= 16;
    std::vector<AviLayout::Frame> frames;
    std::uint64_t base = 0;
    bool baseKnown = false;
    for (std::uint64_t e = 0; indexGood && e + 16 <= idxSize; e += 16) {
        std::array<std::uint8_t, 16> entry{};
        if (!s.read(idxPos + e, entry)) {
            indexGood = false;
            break;
        }
        const std::uint32_t id = u32(entry, 0);
        if (!isFrameChunk(id, stream.index))
            continue;
        const std::uint32_t off = u32(entry, 8);
        const std::uint32_t size = u32(entry, 12);
        if (!baseKnown) {
            // Offsets count from the "movi" fourcc in most files, from the file start in some.
            ChunkHeader h;
            if (readHeader(s, moviFourcc + off, h) && h.id == id)
                base = moviFourcc;
            else
                base = 0;
            baseKnown = true;
        }
        const std::uint64_t at = base + off;
        ChunkHeader h;
        if (at < moviData || !readHeader(s, at, h) || h.id != id || h.size != size || at + 8 + size > moviEnd) {
            indexGood = false;
            break;
        }
        frames.push_back({at, size});
    }
    if (!indexGood || frames.empty()) {
        // No usable index: walk the movi list, stopping at the first incomplete chunk.
        frames.clear();
        layout.indexRebuilt = true;
        std::uint64_t p = moviData;
        while (p + 8 <= moviEnd) {
            ChunkHeader h;
            if (!readHeader(s, p, h))
                break;
            if (h.id == kList && h.size >= 4) {
                std::uint32_t type = 0;
                if (readU32(s, p + 8, type) && type == kRec) {
                    p += 12;
                    continue;
                }
            }
            if (p + 8 + h.size > moviEnd)
                break;
            if (isFrameChunk(h.id, stream.index))
                frames.push_back({p, h.size});
            p += 8 + padded(h.size);
        }
    }
    std::uint64_t dataEnd = moviData;
    for (const auto& fr : frames)
        dataEnd = std::max(dataEnd, std::min(fr.offset + 8 + padded(fr.size), moviEnd));
    layout.moviDataEnd = dataEnd;
    std::erase_if(frames, [](const AviLayout::Frame& fr) { return fr.size == 0; });
    layout.frames = std::move(frames);
    layout.info.frameCount = std::int32_t(layout.frames.size());
    return layout;
}

// ---------------------------------------------------------------------------------------------

bool AviMovieReader::open(const std::filesystem::path& file)
{
    auto s = fileSource(file);
    return s && open(std::move(s));
}

bool AviMovieReader::open(std::unique_ptr<ByteSource> source)
{
    m_source.reset();
    m_layout = {};
    if (!source)
        return false;
    auto layout = parseAvi(*source);
    if (!layout)
        return false;
    m_layout = std::move(*layout);
    m_source = std::move(source);
    return true;
}

bool AviMovieReader::readFrameData(int index, std::vector<std::uint8_t>& out)
{
    if (!m_source || index < 0 || index >= frameCount())
        return false;
    const auto& fr = m_layout.frames[std::size_t(index)];
    out.resize(fr.size);
    return m_source->read(fr.offset + 8, out);
}

bool AviMovieReader::readFrame(int index, storage::TDI8Bitmap& out)
{
    std::vector<std::uint8_t> data;
    if (!readFrameData(index, data))
        return false;
    const int w = m_layout.formatWidth;
    const int h = std::abs(m_layout.formatHeight);
    const bool topDown = m_layout.formatHeight < 0;
    out.resize(w, h);
    out.setColours(m_layout.colours);
    const std::size_t stride = std::size_t(storage::dibStride(w));
    for (int k = 0; k < h; ++k) {
        const std::size_t at = stride * std::size_t(k);
        if (at >= data.size())
            break;
        const int row = topDown ? k : h - 1 - k;
        std::memcpy(out.rowPointer(row), data.data() + at, std::min<std::size_t>(std::size_t(w), data.size() - at));
    }
    out.resetWrittenBand();
    return true;
}

std::optional<MovieStreamInfo> readMovieDescription(const std::filesystem::path& file)
{
    auto s = fileSource(file);
    if (!s)
        return std::nullopt;
    auto layout = parseAvi(*s);
    if (!layout)
        return std::nullopt;
    return layout->info;
}

// ---------------------------------------------------------------------------------------------

AviWriter::~AviWriter()
{
    if (m_open)
        finish();
}

bool AviWriter::create(const std::filesystem::path& file, std::span<const std::uint8_t> format, std::uint32_t rate,
    std::int32_t frameWidth, std::int32_t frameHeight)
{
    if (format.size() < kFormatSize || rate == 0)
        return false;
    m_path = file;
    m_file.open(file, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!m_file)
        return false;
    Bytes h(1248, 0);
    auto put = [&](std::size_t off, std::uint32_t v) { writeI32(h, off, std::int32_t(v)); };
    const std::int32_t fw = readI32(format, 4);
    const std::int32_t fh = readI32(format, 8);
    const std::uint32_t frameBytes = std::uint32_t(storage::dibStride(fw)) * std::uint32_t(std::abs(fh));
    put(0, kRiff);
    put(8, kAvi);
    put(12, kList);
    put(16, 1216);
    put(20, kHdrl);
    put(24, kAvih);
    put(28, 56);
    put(32, 1000000u / rate);          // microseconds per frame
    put(36, frameBytes * rate);        // max bytes per second
    put(44, kHasIndex);
    put(56, 1);                        // streams
    put(60, frameBytes);
    put(64, std::uint32_t(frameWidth));
    put(68, std::uint32_t(frameHeight));
    put(88, kList);
    put(92, 1140);
    put(96, kStrl);
    put(100, kStrh);
    put(104, 56);
    put(108, kVids);                   // handler 0
    put(128, 1);                       // scale
    put(132, rate);
    put(144, frameBytes);              // suggested buffer size
    put(148, 0xFFFFFFFFu);             // quality: default
    writeU16(h, 164 - 4, std::uint16_t(frameWidth));   // rcFrame right
    writeU16(h, 164 - 2, std::uint16_t(frameHeight));  // rcFrame bottom
    put(164, kStrf);
    put(168, std::uint32_t(kFormatSize));
    std::copy_n(format.begin(), kFormatSize, h.begin() + 172);
    put(1236, kList);
    put(1240, 4);
    put(1244, kMovi);
    m_file.write(reinterpret_cast<const char*>(h.data()), std::streamsize(h.size()));
    if (!m_file)
        return false;

    m_layout = {};
    m_layout.format.assign(format.begin(), format.begin() + kFormatSize);
    m_layout.formatWidth = fw;
    m_layout.formatHeight = fh;
    m_layout.info.rate = rate;
    m_layout.info.width = frameWidth;
    m_layout.info.height = frameHeight;
    m_layout.avihOffset = 32;
    m_layout.strhOffset = 108;
    m_layout.moviListOffset = 1236;
    m_layout.moviDataEnd = 1248;
    m_open = true;
    return true;
}

bool AviWriter::openForAppend(const std::filesystem::path& file)
{
    {
        auto s = fileSource(file);
        if (!s)
            return false;
        auto layout = parseAvi(*s);
        if (!layout)
            return false;
        m_layout = std::move(*layout);
    }
    m_path = file;
    m_file.open(file, std::ios::binary | std::ios::in | std::ios::out);
    if (!m_file)
        return false;
    m_open = true;
    return true;
}

bool AviWriter::addFrame(std::span<const std::uint8_t> data)
{
    if (!m_open || data.size() > 0x7FFFFFFF)
        return false;
    const std::uint64_t at = m_layout.moviDataEnd;
    const std::uint64_t indexBytes = 8 + 16 * (m_layout.frames.size() + 1);
    if (at + 8 + padded(std::uint32_t(data.size())) + indexBytes > kMaxRiffEnd)
        return false; // the RIFF size field cannot describe it
    Bytes h(8, 0);
    writeI32(h, 0, std::int32_t(fourcc("00db")));
    writeI32(h, 4, std::int32_t(data.size()));
    m_file.seekp(std::streamoff(at));
    m_file.write(reinterpret_cast<const char*>(h.data()), 8);
    m_file.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (data.size() & 1)
        m_file.put(0);
    if (!m_file)
        return false;
    m_layout.frames.push_back({at, std::uint32_t(data.size())});
    m_layout.moviDataEnd = at + 8 + padded(std::uint32_t(data.size()));
    m_layout.info.frameCount = std::int32_t(m_layout.frames.size());
    m_layout.info.suggestedBufferSize = std::max(m_layout.info.suggestedBufferSize, std::uint32_t(data.size()));
    return true;
}

bool AviWriter::patchHeaders()
{
    auto put = [&](std::uint64_t off, std::uint32_t v) {
        Bytes b(4);
        writeI32(b, 0, std::int32_t(v));
        m_file.seekp(std::streamoff(off));
        m_file.write(reinterpret_cast<const char*>(b.data()), 4);
    };
    const std::uint64_t moviFourcc = m_layout.moviListOffset + 8;
    // The index: one key-frame entry per frame, offsets from the movi fourcc.
    Bytes idx(8 + 16 * m_layout.frames.size(), 0);
    writeI32(idx, 0, std::int32_t(kIdx1));
    writeI32(idx, 4, std::int32_t(16 * m_layout.frames.size()));
    for (std::size_t i = 0; i < m_layout.frames.size(); ++i) {
        const auto& fr = m_layout.frames[i];
        writeI32(idx, 8 + 16 * i, std::int32_t(fourcc("00db")));
        writeI32(idx, 12 + 16 * i, std::int32_t(kKeyFrame));
        writeI32(idx, 16 + 16 * i, std::int32_t(fr.offset - moviFourcc));
        writeI32(idx, 20 + 16 * i, std::int32_t(fr.size));
    }
    m_file.seekp(std::streamoff(m_layout.moviDataEnd));
    m_file.write(reinterpret_cast<const char*>(idx.data()), std::streamsize(idx.size()));
    const std::uint64_t fileEnd = m_layout.moviDataEnd + idx.size();
    put(4, std::uint32_t(fileEnd - 8));
    put(m_layout.moviListOffset + 4, std::uint32_t(m_layout.moviDataEnd - moviFourcc));
    put(m_layout.avihOffset + 12, kHasIndex);
    put(m_layout.avihOffset + 16, std::uint32_t(m_layout.frames.size()));
    put(m_layout.avihOffset + 28, m_layout.info.suggestedBufferSize);
    put(m_layout.strhOffset + 32, std::uint32_t(m_layout.frames.size()));
    put(m_layout.strhOffset + 36, m_layout.info.suggestedBufferSize);
    m_file.flush();
    if (!m_file)
        return false;
    m_file.close();
    std::error_code ec;
    std::filesystem::resize_file(m_path, fileEnd, ec);
    return !ec;
}

bool AviWriter::finish()
{
    if (!m_open)
        return false;
    m_open = false;
    const bool ok = patchHeaders();
    if (m_file.is_open())
        m_file.close();
    return ok;
}

std::vector<std::uint8_t> pictureFormat(const storage::TDI8Bitmap& picture)
{
    Bytes f(kFormatSize, 0);
    const int w = picture.width();
    const int h = picture.fullHeight();
    writeI32(f, 0, 40);
    writeI32(f, 4, w);
    writeI32(f, 8, h);
    writeU16(f, 12, 1);
    writeU16(f, 14, 8);
    writeI32(f, 20, storage::dibStride(w) * h);
    writeI32(f, 32, 256);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t c = picture.getColour(i);
        f[40 + 4 * std::size_t(i)] = storage::colourBlue(c);
        f[41 + 4 * std::size_t(i)] = storage::colourGreen(c);
        f[42 + 4 * std::size_t(i)] = storage::colourRed(c);
    }
    return f;
}

std::vector<std::uint8_t> pictureFrame(const storage::TDI8Bitmap& picture)
{
    const int w = picture.width();
    const int h = picture.fullHeight();
    const std::size_t stride = std::size_t(storage::dibStride(w));
    Bytes data(stride * std::size_t(h), 0);
    for (int k = 0; k < h; ++k)
        if (const std::uint8_t* row = picture.row(h - 1 - k))
            std::memcpy(data.data() + stride * std::size_t(k), row, std::size_t(w));
    return data;
}

} // namespace tellur::fax
