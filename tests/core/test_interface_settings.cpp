#include "core/interface_settings.h"
#include "core/station_config.h"

#include <gtest/gtest.h>

using namespace tellur;

TEST(InterfaceSettings, TypeChangeBringsItsDefaults)
{
    struct Case { int type; int port; int baud; double stored; bool use14; };
    for (auto c : {Case{InterfaceEasyDsp, 1, 115200, 4800.0, true}, {InterfacePtc2, 1, 9600, 5760.0, false},
                   {InterfaceSoundCard, 0, 57600, 7350.0, true}, {InterfaceHariFax, 1, 115200, 4800.0, false},
                   {InterfaceOther, 1, 115200, 4800.0, false}}) {
        StationConfig config; // Sound Card, port NONE
        config.setF64(cfg::kTxRateOffset, 2.5);
        applyInterfaceTypeDefaults(config, c.type);
        EXPECT_EQ(config.interfaceType(), c.type);
        EXPECT_EQ(config.comPort(), c.port) << c.type;
        EXPECT_EQ(config.baudRate(), c.baud);
        EXPECT_DOUBLE_EQ(config.dataRate(), c.stored);
        EXPECT_EQ(config.faxAmUse14bit(), c.use14);
        EXPECT_EQ(config.txRateOffset(), 0.0);
    }
    StationConfig config;
    config.setComPort(4);
    applyInterfaceTypeDefaults(config, InterfaceEasyDsp);
    EXPECT_EQ(config.comPort(), 4); // a set port stays
    EXPECT_EQ(config.faxAmProgram(), "AM14Bit");
}

TEST(InterfaceSettings, SoundcardRatesAndFallback)
{
    StationConfig c;
    storeEnteredDataRate(c, 11025.0);
    EXPECT_DOUBLE_EQ(c.dataRate(), 7350.0);
    EXPECT_DOUBLE_EQ(shownDataRate(c), 11025.0);
    storeEnteredTxRateOffset(c, -3.0);
    EXPECT_DOUBLE_EQ(c.txRateOffset(), -2.0);
    EXPECT_DOUBLE_EQ(shownTxRateOffset(c), -3.0);

    EXPECT_FALSE(applySoundcardFallback(c, true, true));
    EXPECT_TRUE(applySoundcardFallback(c, false, true));
    EXPECT_EQ(c.interfaceType(), InterfaceOther);
    EXPECT_FALSE(applySoundcardFallback(c, false, false)); // only the soundcard falls back
}
