#include "settings/config_fields.h"

#include "core/station_config.h"
#include "settings/fax_mode_table.h"
#include "settings/rtty_mode_table.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <limits>

namespace tellur {
namespace {

constexpr std::int64_t kUnset = std::numeric_limits<std::int32_t>::max();

using K = FieldKind;

constexpr ConfigField num(std::string_view name, std::uint32_t off, K kind, std::int64_t def,
                          std::string_view caption = {})
{
    std::uint16_t size = 4;
    switch (kind) {
    case K::Int16: case K::UInt16: size = 2; break;
    case K::UInt8: case K::Int8: case K::Flag: size = 1; break;
    case K::Double: case K::Int64: size = 8; break;
    default: break;
    }
    ConfigField f;
    f.name = name, f.offset = off, f.size = size, f.kind = kind, f.defInt = def, f.caption = caption;
    if (kind == K::Flag)
        f.hasRange = true, f.min = 0, f.max = 1;
    return f;
}

constexpr ConfigField ranged(ConfigField f, double min, double max, bool orZero = false)
{
    f.hasRange = true, f.min = min, f.max = max, f.orZero = orZero;
    return f;
}

constexpr ConfigField real(std::string_view name, std::uint32_t off, double def, double min, double max,
                           std::string_view caption)
{
    ConfigField f = num(name, off, K::Double, 0, caption);
    f.defReal = def;
    return ranged(f, min, max);
}

constexpr ConfigField txt(std::string_view name, std::uint32_t off, std::uint16_t capacity, std::string_view def = {},
                           std::string_view caption = {})
{
    ConfigField f;
    f.name = name, f.offset = off, f.size = static_cast<std::uint16_t>(capacity + 1), f.kind = K::Text;
    f.defText = def, f.caption = caption;
    return f;
}

// The fixed settings. Offsets below 4016 and the named single settings elsewhere are those of the
// file format; the inner layouts of the open blocks are this program's (see the header).
const ConfigField kFixedFields[] = {
    // interface block
    ranged(num("Interface_Type", 0, K::Int32, 2, "Interface type:"), 0, 4),
    ranged(num("CommunicationPort", 4, K::UInt8, 0, "Port:"), 0, 8),
    ranged(num("BaudRate", 8, K::Int32, 115200, "Baud rate:"), 4800, 115200),
    real("DataRate", 16, 7350.0, 2000, 12520, "Data rate:"),
    real("TXDatarateoffset", 24, 0.0, -100, 100, "TX rate offs.:"),
    num("lastTransmissionType", 32, K::UInt8, 0),
    num("CreateEventlog", 33, K::Flag, 0, "Create event log:"),
    num("EnableQuitQuery", 34, K::Flag, 0, "Enable close query at program end:"),
    num("Logsatheaders", 35, K::Flag, 0, "Log geostationary sat headers:"),
    // operator identity
    ranged(num("JPGSaveQuality", 36, K::Int32, 50, "JPEG save quality:"), 0, 100),
    txt("Callsign", 40, 15, {}, "Call sign:"),
    txt("Sentbytext", 56, 30, " sent by @", "Call sign in picture text:"),
    txt("firstName", 87, 50),
    txt("Handle", 138, 50, {}, "Handle:"),
    txt("lastName", 189, 50),
    txt("address1", 240, 50),
    txt("address2", 291, 50),
    txt("address3", 342, 50),
    txt("address4", 393, 50),
    txt("email", 444, 48),
    // folders
    txt("navtexDatabaseDir", 493, 255, "./NAVTEX-Database/"),
    txt("SSTV_Lastreceiveddir", 749, 255, "./SSTV-Lastreceived/", "SSTV last received directory:"),
    txt("sstvLastrepeatedDir", 1005, 255, "./SSTV-Lastrepeated/"),
    txt("SSTV_Picturedir", 1261, 255, "./SSTV-Pictures/", "SSTV default load pictures directory:"),
    txt("schedulesDir", 1517, 255, "./Schedules/"),
    txt("FAX_Lastreceiveddir", 1773, 255, "./FAX-Lastreceived/", "FAX last received directory:"),
    txt("RTTY_TextDir", 2029, 255, "./Textmessages-Lastreceived/",
         "Default directory for received text messages:"),
    txt("demodulatorsDir", 2285, 255, "./Demodulators/"),
    txt("externalProgramsDir", 2541, 255, "./External-Programs/"),
    txt("masksPalettesDir", 2797, 255, "./Masks & Palettes/"),
    txt("SStv_Moviedir", 3053, 255, "./Movies/", "Movie files directory:"),
    num("dateSchedulerActive", 3316, K::Flag, 0),
    txt("scheduleFile", 3317, 255),
    num("unused3573", 3573, K::UInt8, 1),
    num("unused3574", 3574, K::UInt8, 0),
    num("unused3575", 3575, K::UInt8, 0),
    ranged(num("Justcall", 3576, K::UInt8, 0, "Identification:"), 0, 3),
    txt("Datestampformat", 3577, 30, "dd.mm.yyyy", "Date stamp format:"),
    txt("Timestampformat", 3608, 30, "hh:nn", "Time stamp format:"),
    num("Hidedesktopicons", 3639, K::Flag, 0, "Hide desktop icons at program start:"),
    num("IngnoreSummertime", 3640, K::Flag, 0, "Use local time instead of UTC:"),
    num("Rebootafterexception", 3641, K::Flag, 0, "Reboot computer after Tellur32 exception:"),
    num("Restartafterreboot", 3642, K::Flag, 1, "Restart after Tellur32-initiated reboot:"),
    // sound card and mixer
    num("Soundcardselect", 3644, K::Int32, 0, "Sound card select:"),
    num("Mixerselect", 3648, K::Int32, 0, "Mixer select:"),
    num("SSTVAudioSelect", 3652, K::Int32, 0, "SSTV-input:"),
    num("FMAudioselect", 3656, K::Int32, 0, "FM/TTY-Input:"),
    num("AMAudioselect", 3660, K::Int32, 0, "AM-Input:"),
    // window positions
    num("mainWindowLeft", 3984, K::Int32, 0),
    num("mainWindowTop", 3988, K::Int32, 0),
    num("spectrumWindowLeft", 3992, K::Int32, 514),
    num("spectrumWindowTop", 3996, K::Int32, 0),
    num("scopeWindowLeft", 4000, K::Int32, kUnset),
    num("scopeWindowTop", 4004, K::Int32, kUnset),
    num("catalogWindowLeft", 4008, K::Int32, 0),
    num("catalogWindowTop", 4012, K::Int32, 109),
    // SSTV
    ranged(num("sstvTransmitMode", 4016, K::UInt8, 1), 0, 24),
    txt("SSTV_Demodulator", 4017, 255, "SSTV95", "SSTV mode:"),
    txt("sstvFilePrefix", 4273, 30, "SSTV_"),
    txt("COMMANDAFTERSSTVRX", 4304, 128, {}, "Command after picture RX:"),
    num("sstvWindowLeft", 4436, K::Int32, kUnset),
    num("sstvWindowTop", 4440, K::Int32, kUnset),
    num("sstvWindowWidth", 4444, K::Int32, kUnset),
    num("sstvWindowHeight", 4448, K::Int32, kUnset),
    num("sstvInputVolume", 4452, K::Int32, 32768),
    num("QRMButton", 4456, K::Flag, 0),
    num("Autorxtotxbutton", 4457, K::Flag, 0),
    num("sstvSpectrumButton", 4458, K::Flag, 1),
    num("Scopebutton", 4459, K::Flag, 0),
    num("CatalogButton", 4460, K::Flag, 1),
    num("sstvToolbutton", 4461, K::Flag, 0),
    num("Autoopenfromclipboardbutton", 4462, K::Flag, 0),
    num("Sizetofitbutton", 4463, K::Flag, 1),
    num("AutoClipButton", 4464, K::Flag, 0),
    num("sstvToolsLeft", 4468, K::Int32, kUnset),
    num("sstvToolsTop", 4472, K::Int32, kUnset),
    num("DisableMixer", 4531, K::Flag, 0, "External mixer control:"),
    ranged(num("SSTV_Maxpics", 4532, K::Int32, 100, "Max. # of pictures:"), 15, 999),
    ranged(num("SSTV_Maxfail", 4536, K::Int32, 15, "missing syncs to stop:"), 10, 40),
    ranged(num("SSTV_Percentage", 4540, K::Int32, 40, "% received to save:"), 10, 80),
    ranged(num("SSTV_PictureFileFormat", 4544, K::Int32, 0, "File type:"), 0, 4),
    ranged(num("SSTV_MaxrepeatedPics", 4548, K::Int32, 100, "Max # last repeated pics:"), 15, 999),
    num("Autoqsonummer", 4552, K::Flag, 1, "Automatic SSTV contest QSO-number increment:"),
    num("handleColorIndex", 4556, K::Int32, 0, "Handle color:"),
    num("handleColor", 4560, K::Int32, 0xFFFFFF),
    num("CWIDAfter", 4625, K::Flag, 1, "CW ID after TX:"),
    ranged(num("CurrentQSO", 4626, K::Int32, 1, "QSO-number:"), 1, 9999),
    txt("CurrentRSV", 4630, 10, "595", "RSV (^R):"),
    txt("CurrentCall", 4641, 10, {}, "Call (^C): "),
    txt("CurrentHandle", 4652, 10, {}, "Handle (^H):"),
    txt("Analyzer_Demodulator", 4663, 255, "Analyzer", "Analyzer mode:"),
    // RTTY
    num("rttyWindowLeft", 4932, K::Int32, kUnset),
    num("rttyWindowTop", 4936, K::Int32, kUnset),
    num("rttyWindowWidth", 4940, K::Int32, kUnset),
    num("rttyWindowHeight", 4944, K::Int32, kUnset),
    num("rttyInputVolume", 4948, K::Int32, 32768),
    num("rttySpectrumButton", 4952, K::Flag, 1),
    num("viewerWindowLeft", 4956, K::Int32, kUnset),
    num("viewerWindowTop", 4960, K::Int32, kUnset),
    num("viewerWindowWidth", 4964, K::Int32, kUnset),
    num("viewerWindowHeight", 4968, K::Int32, kUnset),
    num("viewerAreaSelection", 4972, K::Int32, 0),
    num("viewerTypeSelection", 4976, K::Int32, 0),
    num("viewerStationSelection", 4980, K::Int32, 0),
    // FAX
    txt("FAXFM_Demodulator", 5705, 255, "FMFAX95", "FAX mode (FM):"),
    txt("FAXAM1_Demodulator", 5961, 255, "AM14BIT", "FAX mode (AM):"),
    num("FAXAM_Use14bit", 6217, K::Flag, 1, "14 bit AM dem.:"),
    num("faxSpectrumButton", 6218, K::Flag, 1),
    num("Autoprintbutton", 6220, K::Flag, 0),
    num("Autosavebutton", 6221, K::Flag, 1),
    num("Squelchthreshold", 6222, K::UInt8, 16),
    num("TimestampButton", 6223, K::Flag, 0),
    num("AutoLPMFax", 6224, K::Flag, 1, "Automatic LPM detection for FAX:"),
    num("AlwaysMovieDir", 6225, K::Flag, 1, "Create movies always in movie directory:"),
    num("Synchronize_Time", 6226, K::Flag, 0, "Synchronize PC-clock with geostationary transmissions:"),
    num("Invert_BW", 6227, K::Flag, 0, "Inverted black/white areas in geostationary mask files: "),
    txt("FAXFilenameformat", 6228, 30, "@_yyyymmdd_hhnn", "FAX file name format:"),
    ranged(num("SynchronizeOffset", 6260, K::Int32, 20, "Synchronize offset (s):"), 2, 59),
    ranged(num("FAX_PictureFileFormat", 6524, K::Int32, 0, "FAX file type:"), 0, 3),
    // FAX tools, print, movies, palettes
    num("faxToolsLeft", 8908, K::Int32, 100),
    num("faxToolsTop", 8912, K::Int32, 100),
    num("faxToolbutton", 8916, K::Flag, 0),
    num("Autoprintorientation", 8917, K::Flag, 1, "Automatic print orientation select for FAX autoprint:"),
    ranged(num("Movierate", 8920, K::Int32, 8, "Default playback  rate (pictures/s):"), 1, 20),
    ranged(num("Movieresolution", 8924, K::Int32, 2, "Movie resolution"), 1, 4),
    ranged(num("maxmoviepictures", 8928, K::Int32, 48, "Max. number of pictures in movie:"), 5, 999),
    ranged(num("Moviepause", 8932, K::Int32, 2000, "Pause before autorepeat (miliseconds):"), 0, 9999),
    num("Movieautorepeat", 8936, K::Flag, 1, "Auto-repeat movie:"),
    txt("MovieAutostartFilename", 8940, 63, {}, "File name:"),
    num("MovieAutostartenable", 9004, K::Flag, 0, "Enable:"),
    ranged(num("MovieAutostartLeft", 9006, K::Int16, 0, "Left Pos:"), 0, 1024),
    ranged(num("MovieAutostartTop", 9008, K::Int16, 0, "Top pos:"), 0, 768),
    ranged(num("MovieAutostartWidth", 9010, K::Int16, 512, "Width:"), 0, 1024),
    ranged(num("MovieAutostartHeight", 9012, K::Int16, 384, "Height:"), 0, 768),
    txt("COMMANDAFTERFAXRX", 9020, 29, {}, "Command after picture RX:"),
    ranged(num("faxPictureZoom", 9050, K::UInt8, 9), 0, 17),
    ranged(num("Redbalance", 9052, K::Int32, 255), 0, 255),
    ranged(num("Greenbalance", 9056, K::Int32, 165), 0, 255),
    ranged(num("Bluebalance", 9060, K::Int32, 0), 0, 255),
    ranged(num("Gaincontrol", 9064, K::Int32, 0), 0, 2),
    num("usageWindowLeft", 9288, K::Int32, kUnset),
    num("usageWindowTop", 9292, K::Int32, kUnset),
    // default text style (text style record) and the text tool window
    num("textStyle.fontIndex", 9296, K::Int32, 0),
    ranged(num("textStyle.fontSize", 9300, K::Int32, 16), 1, 400),
    num("textStyle.bold", 9304, K::Flag, 1),
    num("textStyle.italic", 9305, K::Flag, 0),
    num("textStyle.underline", 9306, K::Flag, 0),
    num("textStyle.shadow", 9307, K::Flag, 1),
    num("textStyle.outline", 9308, K::Flag, 0),
    num("textStyle.transparent", 9309, K::Flag, 1),
    num("textStyle.opaque", 9310, K::Flag, 0),
    ranged(num("textStyle.rotation", 9312, K::Int32, 0), -180, 180),
    num("textStyle.foreground", 9316, K::Int32, 0),
    num("textStyle.background", 9320, K::Int32, 1),
    num("textToolsLeft", 9324, K::Int32, kUnset),
    num("textToolsTop", 9328, K::Int32, kUnset),
    ranged(num("Helpselect", 12844, K::Int32, 1, "Help language:"), 0, 6),
    // repeater and beacon
    ranged(num("RepeaterBeaconinterval", 15168, K::Int32, 600, "beacon interval (60-1800, 0 for none):"), 60, 1800, true),
    ranged(num("Repeateractiveafter1750", 15172, K::Int32, 120), 2, 300, true),
    ranged(num("RepeaterFrequency", 15176, K::Int32, 1750), 1550, 2250),
    ranged(num("RepeaterBandwidth", 15180, K::Int32, 50), 25, 75),
    ranged(num("Repeateractiveafterrepeat", 15184, K::Int32, 60,
               "stay active after repeated picture (2-300, 0 for not active):"), 2, 300, true),
    ranged(num("Repeateractiveafterbeacon", 15188, K::Int32, 60,
               "stay active after beacon transmission (2-300, 0 for not active):"), 2, 300, true),
    ranged(num("RepeaterDelaybeforeTX", 15192, K::Int32, 3, "delay before repeat (2-10):"), 2, 10),
    ranged(num("RepeaterTXMode", 15196, K::Int32, 1, "Beacon TX mode:"), 0, 24),
    ranged(num("Resetbeacontimer", 15200, K::Int32, 100, "reset beacon timer after %RX:"), 1, 100),
    ranged(num("ShowlastRXNumber", 15204, K::Int32, 2), 1, 4),
    ranged(num("Showlastrxevery", 15208, K::Int32, 0), 0, 10),
    num("RepeaterSK", 15212, K::Flag, 1, "'SK' when repeater goes inactive:"),
    num("TX1750BeforeBeacon", 15213, K::Flag, 0, "1750 Hz before beacon"),
    txt("RepeaterStampText", 15216, 50, "Last repeated pictures", "Header text for summary:"),
    txt("Repeaterpicturestamptext", 15268, 100, "Repeated by ^O", "Stamp text:"),
    num("repeaterStampStyle.fontIndex", 15372, K::Int32, 0),
    num("repeaterStampStyle.fontSize", 15376, K::Int32, 12),
    num("repeaterStampStyle.bold", 15380, K::Flag, 1),
    num("repeaterStampStyle.italic", 15381, K::Flag, 0),
    num("repeaterStampStyle.underline", 15382, K::Flag, 0),
    num("repeaterStampStyle.shadow", 15383, K::Flag, 1),
    num("repeaterStampStyle.outline", 15384, K::Flag, 0),
    num("repeaterStampStyle.transparent", 15385, K::Flag, 1),
    num("repeaterStampStyle.opaque", 15386, K::Flag, 0),
    num("repeaterStampStyle.rotation", 15388, K::Int32, 0),
    num("repeaterStampStyle.foreground", 15392, K::Int32, 0),
    num("repeaterStampStyle.background", 15396, K::Int32, 1),
    num("repeaterStampLeft", 15400, K::Int32, 5),
    num("repeaterStampTop", 15404, K::Int32, 5),
    txt("Repeaterpicturetimestamptext", 15408, 100, "^D ^T", "Timestamp text:"),
    num("repeaterTimeStampStyle.fontIndex", 15512, K::Int32, 0),
    num("repeaterTimeStampStyle.fontSize", 15516, K::Int32, 12),
    num("repeaterTimeStampStyle.bold", 15520, K::Flag, 1),
    num("repeaterTimeStampStyle.italic", 15521, K::Flag, 0),
    num("repeaterTimeStampStyle.underline", 15522, K::Flag, 0),
    num("repeaterTimeStampStyle.shadow", 15523, K::Flag, 1),
    num("repeaterTimeStampStyle.outline", 15524, K::Flag, 0),
    num("repeaterTimeStampStyle.transparent", 15525, K::Flag, 1),
    num("repeaterTimeStampStyle.opaque", 15526, K::Flag, 0),
    num("repeaterTimeStampStyle.rotation", 15528, K::Int32, 0),
    num("repeaterTimeStampStyle.foreground", 15532, K::Int32, 0),
    num("repeaterTimeStampStyle.background", 15536, K::Int32, 1),
    num("repeaterTimeStampLeft", 15540, K::Int32, 5),
    num("repeaterTimeStampTop", 15544, K::Int32, 236),
    // priorities and header
    ranged(num("Priorityclassdisp", 16064, K::Int32, 1, "Tellur32 main process:"), 0, 2),
    ranged(num("Serialthreadprioritydisp", 16068, K::Int32, 4, "Serial port thread:"), 0, 5),
    ranged(num("Soundthreadprioritydisp", 16072, K::Int32, 2, "Sound card thread:"), 0, 5),
    ranged(num("TXthreadprioritydisp", 16076, K::Int32, 3, "Transmit thread:"), 0, 5),
    txt("configurationHeader", 16080, 13, "TELLUR32-0105"),
};

// Fields of a repeated row, with the default taken from the row's compiled-in record.
template <class Record>
struct RowField {
    std::string_view name;
    std::uint32_t offset;
    K kind;
    std::uint16_t capacity; // Text only
    double min, max;
    bool ranged, orZero;
    std::int64_t (*getInt)(const Record&);
    std::string_view (*getText)(const Record&);
};

using FR = fax::FaxModeRecord;
using RR = text::RttyModeRecord;

#define TELLUR_FAX_INT(field, off, kind, lo, hi, rng, z) \
    RowField<FR>{#field, fax::faxrow::off, kind, 0, lo, hi, rng, z, [](const FR& r) -> std::int64_t { return r.field; }, nullptr}
#define TELLUR_RTTY_INT(field, off, kind, lo, hi, rng) \
    RowField<RR>{#field, text::rttyrow::off, kind, 0, lo, hi, rng, false, [](const RR& r) -> std::int64_t { return r.field; }, nullptr}
#define TELLUR_ROW_TEXT(Rec, ns, field, off, cap) \
    RowField<Rec>{#field, ns::off, K::Text, cap, 0, 0, false, false, nullptr, [](const Rec& r) { return r.field.view(); }}
const RowField<FR> kFaxRowFields[] = {
    TELLUR_ROW_TEXT(FR, fax::faxrow, name, kName, 20),
    TELLUR_FAX_INT(startHz, kStartHz, K::Int32, 200, 1200, true, false),
    TELLUR_FAX_INT(startLength, kStartLength, K::Int32, 5, 75, true, false),
    TELLUR_FAX_INT(altStartHz, kAltStartHz, K::Int32, 200, 1200, true, true),
    TELLUR_FAX_INT(altStartLength, kAltStartLength, K::Int32, 5, 75, true, true),
    TELLUR_FAX_INT(stopHz, kStopHz, K::Int32, 200, 700, true, false),
    TELLUR_FAX_INT(stopLength, kStopLength, K::Int32, 5, 75, true, false),
    TELLUR_FAX_INT(startThreshold, kStartThreshold, K::Int32, 5, 70000, true, false),
    TELLUR_FAX_INT(altStartThreshold, kAltStartThreshold, K::Int32, 5, 70000, true, true),
    TELLUR_FAX_INT(stopThreshold, kStopThreshold, K::Int32, 5, 70000, true, false),
    TELLUR_FAX_INT(indexOfCooperation, kIndexOfCooperation, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(bitDepth, kBitDepth, K::UInt16, 1, 8, true, false),
    TELLUR_FAX_INT(agc, kAgc, K::Flag, 0, 1, true, false),
    TELLUR_FAX_INT(rightToLeft, kRightToLeft, K::UInt8, 0, 1, true, false),
    TELLUR_FAX_INT(bottomToTop, kBottomToTop, K::UInt8, 0, 1, true, false),
    TELLUR_FAX_INT(lpm, kLpm, K::Int32, 20, 600, true, false),
    TELLUR_FAX_INT(phaseMode, kPhaseMode, K::UInt8, 0, 3, true, false),
    TELLUR_FAX_INT(startStopMode, kStartStopMode, K::UInt8, 0, 1, true, false),
    TELLUR_FAX_INT(pixelsPerLine, kPixelsPerLine, K::Int32, 600, 2600, true, false),
    TELLUR_FAX_INT(pixelsToShow, kPixelsToShow, K::Int32, 0, 2500, true, false),
    TELLUR_FAX_INT(firstPixel, kFirstPixel, K::Int32, 0, 2500, true, false),
    TELLUR_FAX_INT(maxLines, kMaxLines, K::Int32, 500, 6000, true, false),
    TELLUR_ROW_TEXT(FR, fax::faxrow, palette, kPalette, 11),
    TELLUR_FAX_INT(zoomIndex, kZoomIndex, K::UInt8, 0, 17, true, false),
    TELLUR_FAX_INT(demodulator, kDemodulator, K::Int32, 0, 4, true, false),
    TELLUR_FAX_INT(printInverted, kPrintInverted, K::Flag, 0, 1, true, false),
    TELLUR_FAX_INT(rowFlag, kRowFlag, K::UInt8, 0, 0, false, false),
    TELLUR_FAX_INT(maxPictures, kMaxPictures, K::Int32, 1, 200, true, false),
    TELLUR_FAX_INT(inputVolume, kInputVolume, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(windowLeft, kWindowLeft, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(windowTop, kWindowTop, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(windowWidth, kWindowWidth, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(windowHeight, kWindowHeight, K::Int32, 0, 0, false, false),
    TELLUR_FAX_INT(blackOffset, kBlackOffset, K::Int32, 0, 63, true, false),
};

const RowField<RR> kRttyRowFields[] = {
    TELLUR_ROW_TEXT(RR, text::rttyrow, name, kName, 20),
    TELLUR_RTTY_INT(baudE4, kBaudE4, K::Int64, 200000, 1100000, true),
    TELLUR_RTTY_INT(shiftHz, kShiftHz, K::Int32, 20, 1000, true),
    TELLUR_RTTY_INT(centerHz, kCenterHz, K::Int32, 600, 2900, true),
    TELLUR_RTTY_INT(afc, kAfc, K::Flag, 0, 1, true),
    TELLUR_RTTY_INT(reverse, kReverse, K::Flag, 0, 1, true),
    TELLUR_RTTY_INT(bits, kBits, K::Int32, 5, 8, true),
    TELLUR_RTTY_INT(charLengthE4, kCharLengthE4, K::Int64, 0, 0, false),
    TELLUR_RTTY_INT(type, kType, K::UInt8, 0, 1, true),
    TELLUR_ROW_TEXT(RR, text::rttyrow, ptcType, kPtcType, 10),
};

std::uint16_t kindSize(K kind)
{
    return num("", 0, kind, 0).size;
}

std::deque<std::string>& nameStore()
{
    static std::deque<std::string> store;
    return store;
}

std::string_view keepName(std::string s)
{
    return nameStore().emplace_back(std::move(s));
}

template <class Record, std::size_t N, std::size_t M>
void addRows(std::vector<ConfigField>& out, std::string_view prefix, std::uint32_t base, std::uint32_t stride,
             const RowField<Record> (&fields)[M], const std::array<Record, N>& defaults)
{
    for (std::size_t r = 0; r < N; ++r) {
        for (const auto& rf : fields) {
            ConfigField f;
            f.name = keepName(std::string(prefix) + "." + std::to_string(r) + "." + std::string(rf.name));
            f.offset = static_cast<std::uint32_t>(base + r * stride + rf.offset);
            f.kind = rf.kind;
            f.size = rf.kind == K::Text ? static_cast<std::uint16_t>(rf.capacity + 1) : kindSize(rf.kind);
            f.hasRange = rf.ranged, f.min = rf.min, f.max = rf.max, f.orZero = rf.orZero;
            if (rf.getInt)
                f.defInt = rf.getInt(defaults[r]);
            else
                f.defText = rf.getText(defaults[r]); // points into the constexpr table: static storage
            out.push_back(f);
        }
    }
}

ConfigField generated(std::string name, std::uint32_t off, K kind, std::int64_t def = 0)
{
    ConfigField f = num({}, off, kind, def);
    f.name = keepName(std::move(name));
    return f;
}

ConfigField generatedText(std::string name, std::uint32_t off, std::uint16_t capacity, std::string_view def = {})
{
    ConfigField f = txt({}, off, capacity, def);
    f.name = keepName(std::move(name));
    return f;
}

void addStyle(std::vector<ConfigField>& out, const std::string& prefix, std::uint32_t off)
{
    out.push_back(generated(prefix + ".fontIndex", off, K::Int32, 0));
    out.push_back(generated(prefix + ".fontSize", off + 4, K::Int32, 16));
    const char* flags[] = {"bold", "italic", "underline", "shadow", "outline", "transparent", "opaque"};
    const std::int64_t flagDefaults[] = {1, 0, 0, 1, 0, 1, 0};
    for (int i = 0; i < 7; ++i)
        out.push_back(generated(prefix + "." + flags[i], off + 8 + static_cast<std::uint32_t>(i), K::Flag, flagDefaults[i]));
    out.push_back(ranged(generated(prefix + ".rotation", off + 16, K::Int32, 0), -180, 180));
    out.push_back(generated(prefix + ".foreground", off + 20, K::Int32, 0));
    out.push_back(generated(prefix + ".background", off + 24, K::Int32, 1));
}

std::vector<ConfigField> buildFields()
{
    std::vector<ConfigField> out(std::begin(kFixedFields), std::end(kFixedFields));
    // radio port entries
    for (std::uint32_t n = 0; n < cfg::kRadioCount; ++n) {
        const std::string p = "radio." + std::to_string(n + 1) + ".";
        const auto at = [n](std::size_t base, std::size_t step) { return static_cast<std::uint32_t>(base + step * n); };
        out.push_back(generatedText(p + "command", at(cfg::kRadioCommand, cfg::kRadioCommandSize), cfg::kRadioCommandCapacity));
        out.push_back(generated(p + "ptcControl", at(cfg::kRadioPtcControl, 1), K::Flag));
        out.push_back(generated(p + "asciiControl", at(cfg::kRadioAsciiControl, 1), K::Flag));
        out.push_back(ranged(generated(p + "comPort", at(cfg::kRadioComPort, 1), K::UInt8), 0, 8));
        out.push_back(ranged(generated(p + "baudRate", at(cfg::kRadioBaudRate, 4), K::Int32, 2400), 300, 115200));
        // 0..4 the serial command formats, 5 rigctld over the network.
        out.push_back(ranged(generated(p + "type", at(cfg::kRadioType, 4), K::Int32, 1), 0, 5));
        out.push_back(generatedText(p + "address", at(cfg::kRadioAddress, 4), cfg::kRadioAddressCapacity, "$56"));
    }
    out.push_back(ranged(generated("currentRttyMode", text::kCurrentRttyModeOffset, K::Int8, text::kDefaultRttyModeRow), 0, 9));
    addRows(out, "rttyMode", text::kRttyModeTableOffset, text::kRttyModeRecordSize, kRttyRowFields, text::kDefaultRttyModes);
    out.push_back(ranged(generated("currentFaxMode", fax::kCurrentFaxModeOffset, K::UInt8, 0), 0, 15));
    addRows(out, "faxMode", fax::kFaxModeTableOffset, fax::kFaxModeRecordSize, kFaxRowFields, fax::kDefaultFaxModes);
    for (std::uint32_t i = 0; i < 20; ++i)
        out.push_back(generatedText("movieFormat." + std::to_string(i), 9068 + 11 * i, 10));
    for (std::uint32_t r = 0; r < 11; ++r) {
        const std::string p = "externalProgram." + std::to_string(r) + ".";
        const std::uint32_t b = 9332 + 319 * r;
        out.push_back(generatedText(p + "name", b, 20));
        out.push_back(generatedText(p + "switchPosition", b + 21, 20));
        out.push_back(generatedText(p + "dspProgram", b + 42, 20));
        out.push_back(generatedText(p + "commandLine", b + 63, 255));
    }
    const std::string_view quickLabels[] = {"CQ", "Name", "RSV", "..de..", "Contest RSV"};
    const std::string_view quickTexts[] = {"CQ CQ CQ de ^O", "Name: ^A", "RSV ^R", "^C de ^O", "^R ^N"};
    for (std::uint32_t q = 0; q < 16; ++q) {
        const std::string p = "quickText." + std::to_string(q) + ".";
        const std::uint32_t b = 12848 + 145 * q;
        out.push_back(generatedText(p + "label", b, 15, q < 5 ? quickLabels[q] : std::string_view{}));
        out.push_back(generatedText(p + "text", b + 16, 100, q < 5 ? quickTexts[q] : std::string_view{}));
        addStyle(out, p + "style", b + 117);
    }
    std::stable_sort(out.begin(), out.end(), [](const ConfigField& a, const ConfigField& b) { return a.offset < b.offset; });
    return out;
}

} // namespace

const std::vector<ConfigField>& configFields()
{
    static const std::vector<ConfigField> fields = buildFields();
    return fields;
}

namespace {

bool sameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::string_view captionKey(std::string_view caption)
{
    while (!caption.empty() && (caption.back() == ':' || caption.back() == ' '))
        caption.remove_suffix(1);
    while (!caption.empty() && caption.front() == ' ')
        caption.remove_prefix(1);
    return caption;
}

} // namespace

const ConfigField* findConfigField(std::string_view name)
{
    const auto& fields = configFields();
    for (const auto& f : fields)
        if (f.name == name)
            return &f;
    for (const auto& f : fields)
        if (sameLetters(f.name, name))
            return &f;
    // The dialog's caption ("data rate" for "Data rate:"), when only one field carries it.
    const ConfigField* found = nullptr;
    for (const auto& f : fields) {
        if (!f.caption.empty() && sameLetters(captionKey(f.caption), captionKey(name))) {
            if (found)
                return nullptr;
            found = &f;
        }
    }
    return found;
}

std::string fieldValueText(const StationConfig& c, const ConfigField& f)
{
    switch (f.kind) {
    case K::Int32: return std::to_string(c.i32(f.offset));
    case K::Int16: return std::to_string(static_cast<std::int16_t>(c.u16(f.offset)));
    case K::UInt16: return std::to_string(c.u16(f.offset));
    case K::UInt8: case K::Flag: return std::to_string(c.u8(f.offset));
    case K::Int8: return std::to_string(c.i8(f.offset));
    case K::Int64: return std::to_string(c.i64(f.offset));
    case K::Double: {
        // Shortest text that reads back to the same double, so dump and set round-trip exactly.
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, c.f64(f.offset));
        return std::string(buf, res.ptr);
    }
    case K::Text: return c.str(f.offset, f.capacity());
    }
    return {};
}

SetFieldResult setFieldFromText(StationConfig& c, const ConfigField& f, std::string_view t, bool checkRange)
{
    if (f.kind == K::Text) {
        if (t.size() > f.capacity())
            return SetFieldResult::TooLong;
        c.setStr(f.offset, f.capacity(), t);
        return SetFieldResult::Ok;
    }
    if (f.kind == K::Double) {
        std::string s(t);
        char* end = nullptr;
        errno = 0;
        double v = std::strtod(s.c_str(), &end);
        if (s.empty() || end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v))
            return SetFieldResult::NotANumber;
        if (checkRange && !f.accepts(v))
            return SetFieldResult::OutOfRange;
        c.setF64(f.offset, v);
        return SetFieldResult::Ok;
    }
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc{} || ptr != t.data() + t.size())
        return ec == std::errc::result_out_of_range ? SetFieldResult::OutOfRange : SetFieldResult::NotANumber;
    std::int64_t lo = 0, hi = 0;
    switch (f.kind) {
    case K::Int32: lo = INT32_MIN, hi = INT32_MAX; break;
    case K::Int16: lo = INT16_MIN, hi = INT16_MAX; break;
    case K::UInt16: lo = 0, hi = UINT16_MAX; break;
    case K::UInt8: lo = 0, hi = 255; break;
    case K::Flag: lo = 0, hi = 1; break;
    case K::Int8: lo = -128, hi = 127; break;
    default: lo = INT64_MIN, hi = INT64_MAX; break;
    }
    if (v < lo || v > hi || (checkRange && !f.accepts(static_cast<double>(v))))
        return SetFieldResult::OutOfRange;
    switch (f.kind) {
    case K::Int32: c.setI32(f.offset, static_cast<std::int32_t>(v)); break;
    case K::Int16: case K::UInt16: c.setU16(f.offset, static_cast<std::uint16_t>(v)); break;
    case K::UInt8: case K::Flag: case K::Int8: c.setU8(f.offset, static_cast<std::uint8_t>(v)); break;
    case K::Int64: c.setI64(f.offset, v); break;
    default: break;
    }
    return SetFieldResult::Ok;
}

static std::string numberText(double v)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string describe(SetFieldResult r, const ConfigField& f)
{
    switch (r) {
    case SetFieldResult::Ok: return {};
    case SetFieldResult::NotANumber: return "not a number";
    case SetFieldResult::TooLong: return "at most " + std::to_string(f.capacity()) + " characters";
    case SetFieldResult::OutOfRange:
        if (f.hasRange)
            return "Invalid entry: must be between " + numberText(f.min) + " and " + numberText(f.max) +
                   (f.orZero ? ", or 0." : ".");
        return "out of range";
    }
    return {};
}

void writeFieldDefault(StationConfig& c, const ConfigField& f)
{
    switch (f.kind) {
    case K::Int32: c.setI32(f.offset, static_cast<std::int32_t>(f.defInt)); break;
    case K::Int16: case K::UInt16: c.setU16(f.offset, static_cast<std::uint16_t>(f.defInt)); break;
    case K::UInt8: case K::Flag: case K::Int8: c.setU8(f.offset, static_cast<std::uint8_t>(f.defInt)); break;
    case K::Int64: c.setI64(f.offset, f.defInt); break;
    case K::Double: c.setF64(f.offset, f.defReal); break;
    case K::Text: c.setStr(f.offset, f.capacity(), f.defText); break;
    }
}

std::vector<std::string> resetOutOfRangeFields(StationConfig& c)
{
    std::vector<std::string> reset;
    StationConfig def;
    for (const auto& f : configFields()) {
        writeFieldDefault(def, f);
        const auto now = c.bytes().subspan(f.offset, f.size);
        if (std::equal(now.begin(), now.end(), def.bytes().begin() + f.offset))
            continue;
        bool ok = true;
        if (f.kind == K::Text) {
            ok = c.u8(f.offset) <= f.capacity();
        } else if (f.kind == K::Double) {
            ok = std::isfinite(c.f64(f.offset)) && f.accepts(c.f64(f.offset));
        } else {
            // Whole numbers go through their text, which reads each kind with its sign and width.
            const std::string text = fieldValueText(c, f);
            std::int64_t v = 0;
            std::from_chars(text.data(), text.data() + text.size(), v);
            ok = f.accepts(static_cast<double>(v));
        }
        if (!ok) {
            writeFieldDefault(c, f);
            reset.emplace_back(f.name);
        }
    }
    return reset;
}

} // namespace tellur
