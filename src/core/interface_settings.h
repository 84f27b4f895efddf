// Interface-type rules shared by the main window and the configuration dialog: the defaults a
// new interface type brings, the soundcard's shown-versus-stored data rate, and the fallback of
// "Sound Card" to "Other" on a machine without sound devices.
#pragma once

namespace tellur {
class StationConfig;

// Stores the new type and the defaults the dialog puts in with it: COM 1 when no port is set
// (the soundcard may stay without one), baud rate, data rate, 14-bit AM, TX rate offset 0 and,
// for the EasyDSP, the standard DSP program names.
void applyInterfaceTypeDefaults(StationConfig& config, int interfaceType);

// The soundcard demodulators emit two ring items per three input samples, so the dialog shows
// the sample rate (three halves of the stored value) and stores two thirds of what is entered.
double shownDataRate(const StationConfig& config);
void storeEnteredDataRate(StationConfig& config, double entered);
double shownTxRateOffset(const StationConfig& config);
void storeEnteredTxRateOffset(StationConfig& config, double entered);

// "Sound Card" without any mixer or wave-output device becomes "Other". Returns whether it did.
bool applySoundcardFallback(StationConfig& config, bool hasMixerDevice, bool hasWaveOutDevice);

} // namespace tellur
