// The transceiver command formats: the frequency text, the radio port entries of the
// configuration and the bytes each radio type is sent. Pure functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tellur {
class StationConfig;
}

namespace tellur::station {

// In the order of the configuration's type field and the dialog's list.
enum class RadioType : std::int32_t { Direct = 0, Icom = 1, Kenwood = 2, Yaesu1 = 3, Yaesu2 = 4, Rigctld = 5 };
inline constexpr std::array<std::string_view, 6> kRadioTypeNames{"Direct",  "Icom",    "Kenwood",
                                                                 "Yaesu 1", "Yaesu 2", "rigctld (network)"};
// Whether the type reads the "Addr/VFO:" text.
constexpr bool radioTypeUsesAddress(RadioType t) { return t == RadioType::Icom || t == RadioType::Kenwood; }
// Whether the type talks through a serial port (rigctld talks TCP).
constexpr bool radioTypeUsesSerialPort(RadioType t) { return t != RadioType::Rigctld; }

inline constexpr std::string_view kDefaultRigctldEndpoint = "localhost:4532";
inline constexpr unsigned kDefaultRigctldPort = 4532;

// One of the four radio port entries (n 1..4) as the configuration holds it.
struct RadioPortEntry {
    std::string command;      // "Command:": external command, Direct bytes, or rigctld host:port
    bool ptcControl = false;  // "PTC-II ctrl"
    bool asciiControl = false; // "ASCII ctrl"
    int comPort = 0;          // 0 NONE, 1..8
    int baudRate = 2400;
    RadioType type = RadioType::Icom;
    std::string address;      // "Addr/VFO:"
};
RadioPortEntry radioPortEntry(const StationConfig& config, int n);
void setRadioPortEntry(StationConfig& config, int n, const RadioPortEntry& e);

// A frequency text in kilohertz; "." and "," both mark the decimals.
struct Frequency {
    std::string text;     // with "." as the decimal mark, as the rigs and commands are given it
    std::int64_t hz = 0;  // round(kHz x 1000)
    std::int64_t tenHz = 0; // round(kHz x 100)
};
// Empty when the text is not a number (blanks around it are allowed), negative, or beyond any
// rig (1e10 kHz and above).
std::optional<Frequency> parseFrequency(std::string_view text);

// Up to two commands: the first sets the frequency, the second (when not empty) selects USB.
struct RadioCommands {
    std::string first;
    std::string second;
};

// "$" followed by two hexadecimal digits becomes that byte; a "$" with fewer than two
// characters after it ends the text; any other "$" stays as it is.
std::string decodeDirectCommand(std::string_view text);

// The Icom address: "$" and one or two hexadecimal digits, or a decimal number 0..255.
std::optional<std::uint8_t> icomAddress(std::string_view text);

// The commands of the serial types; empty for an Icom entry whose address cannot be read.
// Rigctld gives its protocol lines ("F <Hz>\n", "M USB 0\n").
std::optional<RadioCommands> radioCommands(const RadioPortEntry& entry, const Frequency& f);

// host and port of a rigctld "Command:" text: "host:port", "[v6]:port", a host alone (port
// 4532), or empty (localhost:4532). Empty when the port is not a number 1..65535.
struct NetworkEndpoint {
    std::string host;
    std::uint16_t port = 0;
    std::string text() const; // "host:port"
};
std::optional<NetworkEndpoint> parseRigctldEndpoint(std::string_view text);

} // namespace tellur::station
