// The station configuration: one packed record of 16104 bytes holding every persistent setting.
// The configuration file is this record byte for byte, so fields are read and written at their
// offsets through typed accessors. Owned by the application (GUI thread); engine objects get
// small typed settings built from it.
#pragma once

#include "core/le_bytes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tellur {

class StationConfig {
public:
    static constexpr std::size_t kSize = 16104;
    static constexpr std::size_t kHeaderOffset = 16080;
    static constexpr std::string_view kHeaderText = "TELLUR32-0105";

    // A record filled with the compiled-in defaults.
    StationConfig();

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::span<std::uint8_t> bytes() { return bytes_; }

    std::int32_t i32(std::size_t off) const { return readI32(bytes_, off); }
    void setI32(std::size_t off, std::int32_t v) { writeI32(bytes_, off, v); }
    std::uint8_t u8(std::size_t off) const { return bytes_[off]; }
    void setU8(std::size_t off, std::uint8_t v) { bytes_[off] = v; }
    std::int8_t i8(std::size_t off) const { return static_cast<std::int8_t>(bytes_[off]); }
    bool flag(std::size_t off) const { return bytes_[off] != 0; }
    void setFlag(std::size_t off, bool v) { bytes_[off] = v ? 1 : 0; }
    std::uint16_t u16(std::size_t off) const { return readU16(bytes_, off); }
    void setU16(std::size_t off, std::uint16_t v) { writeU16(bytes_, off, v); }
    std::int64_t i64(std::size_t off) const { return readI64(bytes_, off); }
    void setI64(std::size_t off, std::int64_t v) { writeI64(bytes_, off, v); }
    double f64(std::size_t off) const { return readF64(bytes_, off); }
    void setF64(std::size_t off, double v) { writeF64(bytes_, off, v); }
    float f32(std::size_t off) const { return readF32(bytes_, off); }
    void setF32(std::size_t off, float v) { writeF32(bytes_, off, v); }
    std::string str(std::size_t off, std::size_t capacity) const { return readCountedString(bytes_, off, capacity); }
    void setStr(std::size_t off, std::size_t capacity, std::string_view v) { writeCountedString(bytes_, off, capacity, v); }

    bool headerValid() const;

    friend bool operator==(const StationConfig&, const StationConfig&) = default;

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

} // namespace tellur
