// Little-endian field access over byte records (configuration, schedule entries, mode rows,
// catalog). Records are always read and written field by field, never by casting structs.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace tellur {

inline std::int32_t readI32(std::span<const std::uint8_t> b, std::size_t off)
{
    std::uint32_t v = std::uint32_t(b[off]) | std::uint32_t(b[off + 1]) << 8 |
                      std::uint32_t(b[off + 2]) << 16 | std::uint32_t(b[off + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

inline void writeI32(std::span<std::uint8_t> b, std::size_t off, std::int32_t value)
{
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::int64_t readI64(std::span<const std::uint8_t> b, std::size_t off)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint64_t(b[off + i]) << (8 * i);
    return static_cast<std::int64_t>(v);
}

inline void writeI64(std::span<std::uint8_t> b, std::size_t off, std::int64_t value)
{
    auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint16_t readU16(std::span<const std::uint8_t> b, std::size_t off)
{
    return static_cast<std::uint16_t>(b[off] | b[off + 1] << 8);
}

inline void writeU16(std::span<std::uint8_t> b, std::size_t off, std::uint16_t v)
{
    b[off] = static_cast<std::uint8_t>(v);
    b[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline double readF64(std::span<const std::uint8_t> b, std::size_t off)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= std::uint64_t(b[off + i]) << (8 * i);
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}

inline void writeF64(std::span<std::uint8_t> b, std::size_t off, double d)
{
    std::uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i)
        b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline float readF32(std::span<const std::uint8_t> b, std::size_t off)
{
    std::uint32_t v = static_cast<std::uint32_t>(readI32(b, off));
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

inline void writeF32(std::span<std::uint8_t> b, std::size_t off, float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    writeI32(b, off, static_cast<std::int32_t>(v));
}

// A counted string of capacity n occupies n + 1 bytes: a length byte, then n character bytes.
// A length byte larger than the capacity (a damaged file) is clamped, never trusted.
inline std::string readCountedString(std::span<const std::uint8_t> b, std::size_t off, std::size_t capacity)
{
    std::size_t len = b[off];
    if (len > capacity)
        len = capacity;
    return std::string(reinterpret_cast<const char*>(b.data() + off + 1), len);
}

// Writes text cut to the capacity; the unused character bytes are zeroed so that equal values
// give equal bytes.
inline void writeCountedString(std::span<std::uint8_t> b, std::size_t off, std::size_t capacity, std::string_view text)
{
    std::size_t len = text.size() < capacity ? text.size() : capacity;
    b[off] = static_cast<std::uint8_t>(len);
    if (len > 0) // an empty view may carry a null pointer
        std::memcpy(b.data() + off + 1, text.data(), len);
    std::memset(b.data() + off + 1 + len, 0, capacity - len);
}

} // namespace tellur
