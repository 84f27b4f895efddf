#include "signal_gen.h"
#include "text/bit_decoders.h"

#include <gtest/gtest.h>

using namespace tellur::text;
using namespace tellur::text::testgen;

namespace {

constexpr std::int64_t kRateE4 = 73500000; // 7350 items/s

std::string decodeBaudot(const std::vector<std::uint16_t>& items, std::int64_t baudE4, std::size_t block = 0)
{
    BaudotDecoder dec(BitTiming::from(kRateE4, baudE4), 5);
    ShiftState shift;
    std::string out;
    if (block == 0)
        block = items.size();
    for (std::size_t i = 0; i < items.size(); i += block)
        dec.process(std::span(items).subspan(i, std::min(block, items.size() - i)), shift, out);
    return out;
}

struct FecRun : FecListener {
    int syncs = 0;
    int losses = 0;
    void fecSynchronised() override { ++syncs; }
    void fecSynchronisationLost() override { ++losses; }
};

std::string decodeFec(const std::vector<std::uint16_t>& items, FecRun* run = nullptr, FecDecoder* decoder = nullptr)
{
    FecDecoder local(BitTiming::from(kRateE4, 1000000));
    FecDecoder& dec = decoder ? *decoder : local;
    ShiftState shift;
    std::string out;
    dec.process(items, shift, out, run);
    return out;
}

} // namespace

TEST(BitTiming, FixedPointValuesRoundHalfToEven)
{
    BitTiming t = BitTiming::from(kRateE4, 450000);
    EXPECT_EQ(t.samplesPerBitE4, 1633333);
    EXPECT_EQ(t.halfBitE4, 816666); // 816666.5 ties to even
    EXPECT_EQ(BitTiming::from(kRateE4, 1000000).samplesPerBitE4, 735000);
}

TEST(Codes, ShiftRulesAndTables)
{
    ShiftState s;
    EXPECT_EQ(convertBaudot(1, s), 'E');
    EXPECT_EQ(convertBaudot(27, s), 0);
    EXPECT_EQ(convertBaudot(1, s), '3');
    EXPECT_EQ(convertBaudot(4, s), ' '); // space keeps figures
    EXPECT_EQ(convertBaudot(1, s), '3');
    EXPECT_EQ(convertBaudot(0, s), 0); // code 0 selects letters
    EXPECT_EQ(convertBaudot(1, s), 'E');

    int valid = 0;
    for (int c = 0; c < 128; ++c)
        valid += fecCodeValid(static_cast<std::uint8_t>(c));
    EXPECT_EQ(valid, 35);
    const auto& t = fecTable();
    for (int c = 0; c < 128; ++c)
        if (!fecCodeValid(static_cast<std::uint8_t>(c))) {
            EXPECT_EQ(t[static_cast<std::size_t>(c)], 0) << c;
        }
    EXPECT_EQ(convertFec(0x49, s), 0);
    EXPECT_EQ(convertFec(0x0D, s), '2');
    EXPECT_EQ(convertFec(0x52, s), 0);
    EXPECT_EQ(convertFec(0x0D, s), 'W');
}

TEST(BaudotDecoder, DecodesAtEveryRowRateAndBlockSize)
{
    const std::string text = "RYRY THE QUICK BROWN FOX 1234567890 -?:() ./=+\r\n";
    for (std::int64_t baudE4 : {450000, 454500, 500000, 750000, 1000000, 1100000}) {
        auto items = baudotItems(text, 7350.0 / (static_cast<double>(baudE4) / 10000.0));
        for (std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{512}, std::size_t{0}})
            EXPECT_EQ(decodeBaudot(items, baudE4, block), text) << baudE4 << " block " << block;
    }
}

TEST(BaudotDecoder, FalseStartAndBadStopBitProduceNothing)
{
    const double ipb = 7350.0 / 45.0;
    ItemWriter w(ipb);
    w.bit(1, 5);
    w.bit(0, 0.4); // short space pulse: rejected at the half-bit check
    w.bit(1, 5);
    // "E" (code 1) with a space where the stop bit is sampled
    w.bit(0);
    w.bit(1);
    for (int b = 1; b < 5; ++b)
        w.bit(0);
    w.bit(0, 1.5);
    w.bit(1, 5);
    EXPECT_EQ(decodeBaudot(w.items(), 450000), "");
}

TEST(FecDecoder, RoundTripWithFiguresAndLineBreaks)
{
    const std::string text = "ZCZC KA01\r\nWIND NW 6, SEA 2.5 M (ROUGH)\r\nNNNN\r\n";
    FecRun run;
    FecDecoder dec(BitTiming::from(kRateE4, 1000000));
    EXPECT_EQ(decodeFec(fecItems(text), &run, &dec), "\n\n" + text);
    EXPECT_EQ(run.syncs, 1);
    EXPECT_EQ(run.losses, 1); // end of emission
    EXPECT_FALSE(dec.synchronised());
}

TEST(FecDecoder, RepetitionRescuesBrokenDxAndBothBrokenGiveErrorMark)
{
    const std::string text = "ABCDEFGH";
    FecOptions opt;
    opt.corruptDx = {2};   // 'B' (after the letters shift)
    opt.corruptBoth = {4}; // 'D'
    EXPECT_EQ(decodeFec(fecItems(text, opt)), "\n\nABC_EFGH");
}

TEST(FecDecoder, ToleratesRateErrorThroughTheClockLoop)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG\r\n";
    FecOptions opt;
    opt.itemsPerBit = 73.5 * 1.002; // 0.2 % slow clock
    EXPECT_EQ(decodeFec(fecItems(text, opt)), "\n\n" + text);
}

TEST(FecDecoder, TooManyErrorsDropSynchronisation)
{
    std::string text(80, 'E');
    FecOptions opt;
    opt.endOfEmission = false;
    for (std::size_t i = 10; i < 60; ++i)
        opt.corruptBoth.insert(i);
    FecRun run;
    std::string out = decodeFec(fecItems(text, opt), &run);
    EXPECT_EQ(run.losses, 1);
    // 9 good characters, then errors count 2 each: the 21st error character loses sync and is still shown.
    EXPECT_EQ(out, "\n\n" + std::string(9, 'E') + std::string(21, '_'));
}
