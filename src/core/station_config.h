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

// Interface types (offset 0), in the order of the configuration dialog's list.
enum InterfaceType : std::int32_t {
    InterfaceEasyDsp = 0,
    InterfacePtc2 = 1,
    InterfaceSoundCard = 2,
    InterfaceHariFax = 3,
    InterfaceOther = 4,
};
inline constexpr std::array<std::string_view, 5> kInterfaceTypeNames{"EasyDSP", "PTC-II", "Sound Card", "HariFax IV",
                                                                     "Other"};

// The eleven folder fields, in record order (offset 493 + 256 × index).
enum class StationFolder : int {
    NavtexDatabase, SstvLastReceived, SstvLastRepeated, SstvPictures, Schedules, FaxLastReceived,
    TextmessagesLastReceived, Demodulators, ExternalPrograms, MasksPalettes, Movies,
};
inline constexpr int kFolderCount = 11;
// The folder names below the station folder, also the fallback of each field.
inline constexpr std::array<std::string_view, kFolderCount> kFolderNames{
    "NAVTEX-Database", "SSTV-Lastreceived", "SSTV-Lastrepeated", "SSTV-Pictures", "Schedules", "FAX-Lastreceived",
    "Textmessages-Lastreceived", "Demodulators", "External-Programs", "Masks & Palettes", "Movies"};

// One row of the external program table (11 rows of 319 bytes at offset 9332).
struct ExternalProgramEntry {
    std::string name;           // shown in the operating-type list; empty = unused
    std::string switchPosition; // "V" = VIREO, anything else ALEPH
    std::string dspProgram;     // without extension; empty = no download
    std::string commandLine;
};

// Offsets of the settings that engine code reads directly.
namespace cfg {
inline constexpr std::size_t kInterfaceType = 0, kComPort = 4, kBaudRate = 8, kDataRate = 16, kTxRateOffset = 24,
                             kLastTransmissionType = 32, kCreateEventLog = 33, kCloseQuery = 34, kLogSatHeaders = 35,
                             kJpegQuality = 36, kCallsign = 40, kSentByText = 56, kHandle = 138, kFolders = 493,
                             kSchedulerActive = 3316, kScheduleFile = 3317, kStampChoice = 3576,
                             kDateStampFormat = 3577, kTimeStampFormat = 3608, kHideDesktopIcons = 3639,
                             kUseLocalTime = 3640, kRebootAfterException = 3641, kRestartAfterReboot = 3642,
                             kSoundDevice = 3644, kMixerDevice = 3648, kSstvInputLine = 3652, kFmInputLine = 3656,
                             kAmInputLine = 3660, kMainWindowLeft = 3984, kMainWindowTop = 3988,
                             kSstvTransmitMode = 4016, kSstvProgram = 4017, kExternalMixerControl = 4531,
                             kAnalyzerProgram = 4663, kFaxFmProgram = 5705, kFaxAmProgram = 5961,
                             kFaxAmUse14bit = 6217, kExternalPrograms = 9332, kExternalProgramSize = 319,
                             kHelpLanguage = 12844, kProcessPriority = 16064, kSerialThreadPriority = 16068,
                             kSoundThreadPriority = 16072, kTransmitThreadPriority = 16076;
inline constexpr int kExternalProgramRows = 11;
inline constexpr std::size_t kProgramNameCapacity = 255; // the three DSP program / command-line fields
// Window positions and FAX window switches the user interface keeps in the record.
inline constexpr std::size_t kSpectrumWindowLeft = 3992, kSpectrumWindowTop = 3996, kScopeWindowLeft = 4000,
                             kScopeWindowTop = 4004, kFaxSpectrumOpen = 6218, kFaxAutoPrint = 6220,
                             kFaxAutoSave = 6221, kFaxSquelchThreshold = 6222, kFaxTimestamp = 6223,
                             kFaxAutoLpm = 6224, kFaxToolsLeft = 8908, kFaxToolsTop = 8912, kFaxToolsVisible = 8916,
                             kUsageWindowLeft = 9288, kUsageWindowTop = 9292;
// FAX reception, saving and movies.
inline constexpr std::size_t kFaxInvertMask = 6227, kFaxFileNameFormat = 6228, kFaxFileNameFormatCapacity = 30,
                             kFaxSyncOffset = 6260, kFaxFileType = 6524, kFaxAutoPrintOrientation = 8917,
                             kAlwaysMovieDir = 6225, kFaxSynchronizeTime = 6226, kMovieRate = 8920, kMovieResolution = 8924,
                             kMaxMoviePictures = 8928, kCommandAfterFaxRx = 9020, kCommandAfterFaxRxCapacity = 29,
                             kMovieFormats = 9068, kMovieFormatSize = 11, kMovieFormatCapacity = 10;
inline constexpr int kMovieFormatCount = 20;
inline constexpr std::size_t kStampFormatCapacity = 30;
// The handle colour as chosen (index) and as drawn (RGB); the SSTV beacon's transmit mode.
inline constexpr std::size_t kHandleColourIndex = 4556, kHandleColour = 4560, kRepeaterTxMode = 15196;
// The four radio port entries: command texts of 64 characters every 65 bytes, then per entry a
// PTC-II flag, an ASCII flag, a COM byte, and every 4 bytes the baud rate, type and address.
inline constexpr std::size_t kRadioCommand = 3664, kRadioCommandSize = 65, kRadioCommandCapacity = 64,
                             kRadioPtcControl = 3924, kRadioAsciiControl = 3928, kRadioComPort = 3932,
                             kRadioBaudRate = 3936, kRadioType = 3952, kRadioAddress = 3968,
                             kRadioAddressCapacity = 3;
inline constexpr int kRadioCount = 4;
// SSTV reception, the catalog and the SSTV-RX window.
inline constexpr std::size_t kSstvCommandAfterRx = 4304, kSstvCommandCapacity = 128, kSstvWindowLeft = 4436,
                             kSstvWindowTop = 4440, kSstvWindowWidth = 4444, kSstvWindowHeight = 4448,
                             kSstvQrmMode = 4456, kSstvFollowRxMode = 4457, kSstvSpectrumOpen = 4458,
                             kSstvScopeOpen = 4459, kSstvCatalogOpen = 4460, kSstvToolsOpen = 4461,
                             kSstvAutoOpenClipboard = 4462, kSstvSizeToFit = 4463, kSstvAutoClip = 4464,
                             kSstvMaxPictures = 4532, kSstvMaxMissingSyncs = 4536, kSstvSavePercentage = 4540,
                             kSstvPictureFormat = 4544, kRepeaterFrequency = 15176, kRepeaterBandwidth = 15180,
                             kCatalogWindowLeft = 4008, kCatalogWindowTop = 4012, kCwIdAfter = 4625;
// "Enhanced reception": 0 the decoders as specified, else the enhanced ones beside them.
inline constexpr std::size_t kEnhancedReception = 16094;
// A stored window position of this value means the window has not been placed yet.
inline constexpr std::int32_t kWindowUnset = 2147483647;
} // namespace cfg

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
    void writeHeader();

    // Typed access to the settings the engine uses; the full table is in config_fields.h.
    std::int32_t interfaceType() const { return i32(cfg::kInterfaceType); }
    void setInterfaceType(std::int32_t t) { setI32(cfg::kInterfaceType, t); }
    int comPort() const { return u8(cfg::kComPort); } // 0 = NONE, 1..8
    void setComPort(int port) { setU8(cfg::kComPort, static_cast<std::uint8_t>(port)); }
    std::int32_t baudRate() const { return i32(cfg::kBaudRate); }
    double dataRate() const { return f64(cfg::kDataRate); }
    void setDataRate(double r) { setF64(cfg::kDataRate, r); }
    double txRateOffset() const { return f64(cfg::kTxRateOffset); }
    int lastTransmissionType() const { return u8(cfg::kLastTransmissionType); }
    void setLastTransmissionType(int i) { setU8(cfg::kLastTransmissionType, static_cast<std::uint8_t>(i)); }
    bool createEventLog() const { return flag(cfg::kCreateEventLog); }
    void setCreateEventLog(bool on) { setFlag(cfg::kCreateEventLog, on); }
    bool logSatHeaders() const { return flag(cfg::kLogSatHeaders); }
    bool useLocalTime() const { return flag(cfg::kUseLocalTime); }
    std::string callsign() const { return str(cfg::kCallsign, 15); }
    std::string handle() const { return str(cfg::kHandle, 50); }
    std::string folder(StationFolder f) const { return str(folderOffset(f), 255); }
    void setFolder(StationFolder f, std::string_view path) { setStr(folderOffset(f), 255, path); }
    static constexpr std::size_t folderOffset(StationFolder f) { return cfg::kFolders + 256 * static_cast<std::size_t>(f); }
    int mixerDevice() const { return i32(cfg::kMixerDevice); }
    int sstvInputLine() const { return i32(cfg::kSstvInputLine); }
    int fmInputLine() const { return i32(cfg::kFmInputLine); }
    int amInputLine() const { return i32(cfg::kAmInputLine); }
    std::string faxFmProgram() const { return str(cfg::kFaxFmProgram, cfg::kProgramNameCapacity); }
    std::string faxAmProgram() const { return str(cfg::kFaxAmProgram, cfg::kProgramNameCapacity); }
    std::string sstvProgram() const { return str(cfg::kSstvProgram, cfg::kProgramNameCapacity); }
    bool faxAmUse14bit() const { return flag(cfg::kFaxAmUse14bit); }
    void setFaxAmUse14bit(bool on) { setFlag(cfg::kFaxAmUse14bit, on); }
    bool externalMixerControl() const { return flag(cfg::kExternalMixerControl); }
    void setExternalMixerControl(bool on) { setFlag(cfg::kExternalMixerControl, on); }
    int serialThreadPriority() const { return i32(cfg::kSerialThreadPriority); }
    int soundThreadPriority() const { return i32(cfg::kSoundThreadPriority); }
    int transmitThreadPriority() const { return i32(cfg::kTransmitThreadPriority); }
    ExternalProgramEntry externalProgram(int row) const;
    void setExternalProgram(int row, const ExternalProgramEntry& e);

    friend bool operator==(const StationConfig&, const StationConfig&) = default;

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

} // namespace tellur
