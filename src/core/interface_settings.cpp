#include "core/interface_settings.h"

#include "core/station_config.h"

namespace tellur {

void applyInterfaceTypeDefaults(StationConfig& c, int type)
{
    struct Defaults { int baud; double rate; bool use14bit; };
    static constexpr Defaults kDefaults[] = {
        {115200, 4800.0, true},   // EasyDSP
        {9600, 5760.0, false},    // PTC-II ("PTC-II SERBaud:")
        {57600, 11025.0, true},   // Sound Card: the entered sample rate
        {115200, 4800.0, false},  // HariFax IV
        {115200, 4800.0, false},  // Other
    };
    if (type < InterfaceEasyDsp || type > InterfaceOther)
        return;
    const Defaults& d = kDefaults[type];
    c.setInterfaceType(type);
    c.setF64(cfg::kTxRateOffset, 0.0);
    if (type != InterfaceSoundCard && c.comPort() == 0)
        c.setComPort(1);
    c.setI32(cfg::kBaudRate, d.baud);
    storeEnteredDataRate(c, d.rate);
    c.setFaxAmUse14bit(d.use14bit);
    if (type == InterfaceEasyDsp) {
        c.setStr(cfg::kSstvProgram, cfg::kProgramNameCapacity, "SSTV95");
        c.setStr(cfg::kFaxFmProgram, cfg::kProgramNameCapacity, "FMFAX95");
        c.setStr(cfg::kFaxAmProgram, cfg::kProgramNameCapacity, "AM14Bit");
        c.setStr(cfg::kAnalyzerProgram, cfg::kProgramNameCapacity, "Analyzer");
    }
}

double shownDataRate(const StationConfig& c)
{
    return c.interfaceType() == InterfaceSoundCard ? c.dataRate() * 3.0 / 2.0 : c.dataRate();
}

void storeEnteredDataRate(StationConfig& c, double entered)
{
    c.setDataRate(c.interfaceType() == InterfaceSoundCard ? entered * 2.0 / 3.0 : entered);
}

double shownTxRateOffset(const StationConfig& c)
{
    return c.interfaceType() == InterfaceSoundCard ? c.txRateOffset() * 3.0 / 2.0 : c.txRateOffset();
}

void storeEnteredTxRateOffset(StationConfig& c, double entered)
{
    c.setF64(cfg::kTxRateOffset, c.interfaceType() == InterfaceSoundCard ? entered * 2.0 / 3.0 : entered);
}

bool applySoundcardFallback(StationConfig& c, bool hasMixerDevice, bool hasWaveOutDevice)
{
    if (c.interfaceType() != InterfaceSoundCard || (hasMixerDevice && hasWaveOutDevice))
        return false;
    c.setInterfaceType(InterfaceOther);
    return true;
}

} // namespace tellur
