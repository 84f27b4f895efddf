#include "sstv_test_util.h"

#include <gtest/gtest.h>

using namespace tellur;
using namespace tellur::sstv;
using namespace sstvtest;

namespace {

struct CodeRun {
    std::uint8_t code;
    std::size_t count;
    bool operator==(const CodeRun&) const = default;
};

std::vector<CodeRun> runs(const std::vector<std::uint8_t>& codes)
{
    std::vector<CodeRun> out;
    for (auto c : codes) {
        if (!out.empty() && out.back().code == c)
            ++out.back().count;
        else
            out.push_back({c, 1});
    }
    return out;
}

std::vector<std::size_t> entrySizes(const SstvCodeStream::CodeList& list)
{
    std::vector<std::size_t> sizes;
    for (const auto& e : list)
        sizes.push_back(e.size());
    return sizes;
}

class FakeSink : public signal::CodeSink {
public:
    std::size_t room = 100000;
    std::vector<std::uint8_t> written;
    std::size_t freeRoom() const override { return room; }
    void write(std::span<const std::uint8_t> codes) override { written.insert(written.end(), codes.begin(), codes.end()); }
};

} // namespace

TEST(SstvToneCodes, TablesPerInterface)
{
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    EXPECT_EQ(sc.brightness[0], 91);
    EXPECT_EQ(sc.brightness[255], 237);
    EXPECT_EQ(sc.brightness[128], 164); // 1902 Hz
    EXPECT_EQ(sc.morseElement(), 236);
    EXPECT_EQ(sc.leader, 164);
    EXPECT_EQ(sc.tone1750, 137);
    const auto ptc = ToneCodes::forInterface(kInterfacePtcII);
    EXPECT_EQ(ptc.brightness[0], 1); // clamped up from 0
    EXPECT_EQ(ptc.brightness[255], 240);
    EXPECT_EQ(ptc.sync, 242);
    EXPECT_EQ(ptc.visOne, 241);
    EXPECT_EQ(ptc.visZero, 243);
    EXPECT_EQ(ptc.tone1750, 75);

    EXPECT_EQ(sc.burstCode(1750), 137);
    EXPECT_EQ(sc.burstCode(1900), 164);
    EXPECT_EQ(ptc.burstCode(1200), 242);
    EXPECT_EQ(ptc.burstCode(1900), 120);
    EXPECT_EQ(ptc.burstCode(1000), std::nullopt);
    EXPECT_EQ(ptc.burstCode(2400), std::nullopt);
    EXPECT_EQ(toneBurstSecond(1750, 7350, sc).size(), 7350u);
    EXPECT_TRUE(toneBurstSecond(1000, 7350, ptc).empty());
}

TEST(SstvMorse, LetterKAtSpeed100)
{
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    const auto e = sc.morseElement();
    const std::vector<CodeRun> expected = {{0, 3675}, {e, 1323}, {0, 441}, {e, 441}, {0, 441}, {e, 1323},
                                       {0, 441 + 882 + 7350}, {164, 1}};
    EXPECT_EQ(runs(morseCodes("K", 100, 7350.0, sc)), expected);
    EXPECT_EQ(runs(morseCodes("k", 100, 7350.0, sc)), expected); // taken in capitals
}

TEST(SstvMorse, TableBlanksAndUnknownCharacters)
{
    EXPECT_EQ(morsePattern('A'), "KL");
    EXPECT_EQ(morsePattern('0'), "LLLLL");
    EXPECT_EQ(morsePattern('*'), "KKKLKL");
    EXPECT_EQ(morsePattern('_'), "LKKKKL");
    EXPECT_EQ(morsePattern('#'), "");
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    // A blank is two dots of space; characters without a pattern are skipped.
    const auto withBlank = morseCodes("E E", 100, 7350.0, sc).size();
    const auto twoE = morseCodes("EE", 100, 7350.0, sc).size();
    EXPECT_EQ(withBlank, twoE + 2 * 441);
    EXPECT_EQ(morseCodes("E#", 100, 7350.0, sc).size(), morseCodes("E", 100, 7350.0, sc).size());
    // A slower speed stretches the dot: speed 50 gives 120 ms.
    EXPECT_EQ(runs(morseCodes("E", 50, 7350.0, sc))[1].count, 882u);
}

TEST(SstvTransmitterHeader, WorkedNumbersForMartin1)
{
    RgbPicture pic(340, 256);
    SstvCodeStream stream(kMartin1Row, pic, SstvTxSettings{});
    EXPECT_LT(stream.codesPerMs(), 7.35f + 1e-6f);
    EXPECT_EQ(stream.codesPerMs(), 7.35f);
    auto& header = stream.headerList();
    const std::vector<std::size_t> sizes = {8820, 220, 220, 220, 220, 220, 220, 220, 220, 220, 185};
    EXPECT_EQ(entrySizes(header), sizes);

    // The warble steps every 122 codes, alternating around brightness 128.
    const auto& warble = header[0];
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    EXPECT_EQ(warble[0], sc.brightness[128]);   // i = 1, q = 0
    EXPECT_EQ(warble[120], sc.brightness[128]); // i = 121
    EXPECT_EQ(warble[121], sc.brightness[129]); // i = 122, q = 1
    EXPECT_EQ(warble[243], sc.brightness[126]); // i = 244, q = 2
    EXPECT_EQ(warble.back(), sc.brightness[128 - 72]);

    // 0x35 sent from bit 7 down: 0 0 1 1 0 1 0 1 after the start bit.
    const std::uint8_t z = sc.visZero, o = sc.visOne;
    const std::vector<std::uint8_t> bits = {sc.sync, z, z, o, o, z, o, z, o};
    for (std::size_t i = 0; i < bits.size(); ++i)
        EXPECT_EQ(header[i + 1].front(), bits[i]) << i;
    EXPECT_EQ(header.back().front(), sc.sync);
}

TEST(SstvTransmitterHeader, VariantsByMode)
{
    RgbPicture pic(340, 256);
    struct Case {
        int row;
        bool with1750;
        std::vector<std::size_t> sizes;
    };
    const std::vector<std::size_t> vis8(9, 220);
    auto join = [](std::vector<std::size_t> a, const std::vector<std::size_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::vector<std::size_t> mp = {8820, 2205, 73, 2205}; // 10 ms at a k just below 7.35
    mp = join(mp, std::vector<std::size_t>(17, 220));
    mp.push_back(154); // 30 ms less the 9 ms sync
    const Case cases[] = {
        {3, false, join(join({8820}, vis8), {220})},              // Scottie 1: full stop bit
        {kMartin1Row, true, join(join({7350, 7350, 8820}, vis8), {185})},
        {20, false, mp},                                           // MP 73
        {17, false, join(join({8820}, vis8), {73})},              // PD 120: 30 - 20 ms
    };
    for (const auto& c : cases) {
        SstvTxSettings settings;
        settings.with1750 = c.with1750;
        SstvCodeStream stream(c.row, pic, settings);
        EXPECT_EQ(entrySizes(stream.headerList()), c.sizes) << c.row;
    }

    // MP 73: the bits of 0x23, then of 0x25, least significant first.
    SstvCodeStream mp73(20, pic, SstvTxSettings{});
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    const int word = 0x2523;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(mp73.headerList()[5 + static_cast<std::size_t>(i)].front(), ((word >> i) & 1) ? sc.visOne : sc.visZero) << i;
    EXPECT_EQ(mp73.headerList()[2].front(), sc.sync);
}

TEST(SstvTransmitterLines, ScottieSegmentOrderAndLineLength)
{
    RgbPicture pic(340, 256);
    SstvCodeStream scottie(3, pic, SstvTxSettings{});
    const SegmentType order[] = {SegmentType::Component2, SegmentType::Black, SegmentType::Component3, SegmentType::Black,
                                 SegmentType::Sync,       SegmentType::Black, SegmentType::Component1, SegmentType::Black};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(scottie.segments()[i].type, order[i]) << i;

    // The carried line clock keeps the fraction: 256 lines are 256 line times to within a code.
    for (int row : {kMartin1Row, 3, 9, 13, 15, 20}) {
        const auto& mode = kSstvModes[static_cast<std::size_t>(row)];
        RgbPicture p(mode.columns, mode.rows);
        SstvCodeStream stream(row, p, SstvTxSettings{});
        std::size_t total = 0;
        int lines = 0;
        while (stream.linesRemaining()) {
            total += stream.nextLine().size();
            ++lines;
        }
        const int linesSent = mode.colourScheme == kSchemeRobot36 ? lines * 2 : lines;
        const double expected = double(stream.scaled()[kLineTime]) * linesSent / 10000.0;
        EXPECT_NEAR(double(total), expected, 1.0) << mode.name;
    }
}

TEST(SstvTransmitterLines, Martin1LineLayout)
{
    RgbPicture pic(340, 256);
    for (int x = 0; x < 340; ++x)
        pic.setPixel(x, 0, storage::rgb(255, 64, 128));
    SstvCodeStream stream(kMartin1Row, pic, SstvTxSettings{});
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    auto r = runs(stream.nextLine());
    // sync, porch, green, gap, blue, gap, red, gap
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[0].code, sc.sync);
    EXPECT_EQ(r[1].code, sc.black);
    EXPECT_EQ(r[2].code, sc.brightness[64]);
    EXPECT_EQ(r[4].code, sc.brightness[128]);
    EXPECT_EQ(r[6].code, sc.brightness[255]);
    EXPECT_EQ(r[0].count, 36u); // 4.862 ms
    EXPECT_NEAR(double(r[2].count + r[3].count), 1076.3 + 4.2, 1.0);
}

TEST(SstvTransmitterLines, Pd120SendsRowPairs)
{
    RgbPicture pic(640, 496);
    for (int y = 0; y < 496; ++y)
        for (int x = 0; x < 640; ++x) {
            auto g = static_cast<std::uint8_t>(y % 256);
            pic.setPixel(x, y, storage::rgb(g, g, g));
        }
    SstvCodeStream stream(17, pic, SstvTxSettings{});
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    const auto& s = stream.scaled();
    const auto y0At = static_cast<std::size_t>((s[kSlot1Start] + s[kSlot1Length] / 2) / 10000);
    const auto y1At = static_cast<std::size_t>((s[kSlot3End] + s[kSlot3Gap] / 2) / 10000);
    int lines = 0;
    while (stream.linesRemaining()) {
        const int r = stream.currentRow();
        auto line = stream.nextLine();
        ASSERT_GT(line.size(), y1At);
        EXPECT_EQ(line[y0At], sc.brightness[static_cast<std::size_t>(txLuminance(pic.getPixel(0, r)))]) << r;
        EXPECT_EQ(line[y1At], sc.brightness[static_cast<std::size_t>(txLuminance(pic.getPixel(0, r + 1)))]) << r;
        EXPECT_EQ(stream.currentRow(), r + 2);
        ++lines;
    }
    EXPECT_EQ(lines, 248);
}

TEST(SstvTransmitterTrailer, IdentificationVariants)
{
    RgbPicture pic(340, 256);
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    auto trailer = [&](SstvTxSettings settings) {
        SstvCodeStream stream(kMartin1Row, pic, settings);
        std::vector<std::uint8_t> all;
        for (const auto& e : stream.trailerList()) {
            EXPECT_LE(e.size(), 1000u);
            all.insert(all.end(), e.begin(), e.end());
        }
        return all;
    };
    SstvTxSettings plain;
    EXPECT_EQ(trailer(plain), std::vector<std::uint8_t>(2940, sc.leader));

    SstvTxSettings cw;
    cw.callSign = "dl1abc";
    cw.cwIdAfter = true;
    auto expected = std::vector<std::uint8_t>(2940, sc.leader);
    auto morse = morseCodes("DL1ABC  ", 100, 7350, sc);
    expected.insert(expected.end(), morse.begin(), morse.end());
    expected.insert(expected.end(), 1470, sc.leader);
    EXPECT_EQ(trailer(cw), expected);

    SstvTxSettings rpt;
    rpt.callSign = "DL1ABC/P-LONG-CALLSIGN";
    rpt.repeatOrBeacon = true;
    rpt.identificationChar = '*';
    expected.assign(2940, sc.leader);
    morse = morseCodes("DL1ABC/P-LONG-CAL* ", 100, 7350, sc);
    expected.insert(expected.end(), morse.begin(), morse.end());
    expected.insert(expected.end(), 735, sc.leader);
    EXPECT_EQ(trailer(rpt), expected);
}

TEST(SstvTransmitterLoop, PacesAgainstTheSinkAndEndsWithTheTrailer)
{
    const auto& mode = kSstvModes[kRobotBw12Row];
    RgbPicture pic(mode.columns, mode.rows);
    SstvTxSettings settings;
    settings.callSign = "DL1ABC";
    settings.cwIdAfter = true;
    auto reference = SstvCodeStream(kRobotBw12Row, pic, settings).allCodes();

    FakeSink sink;
    int rowsReported = 0;
    bool finishedSent = false, finishedAborted = true;
    SstvTransmitter tx(std::make_unique<SstvCodeStream>(kRobotBw12Row, pic, settings), sink,
                       {[&](int rows, int) { rowsReported = rows; },
                        [&](bool aborted, bool sent) {
                            finishedAborted = aborted;
                            finishedSent = sent;
                        }});
    sink.room = 999; // not enough for a line piece, nor for the warble
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(tx.step());
    EXPECT_TRUE(sink.written.empty());
    sink.room = 100000;
    int rounds = 0;
    while (tx.step())
        ++rounds;
    EXPECT_FALSE(tx.running());
    EXPECT_EQ(sink.written, reference);
    EXPECT_EQ(rowsReported, 256);
    EXPECT_TRUE(finishedSent);
    EXPECT_FALSE(finishedAborted);
    EXPECT_GT(rounds, 100); // pieces of at most 1000 codes
}

TEST(SstvTransmitterLoop, AbortDuringLinesSendsNoTrailer)
{
    RgbPicture pic(340, 256);
    SstvTxSettings settings;
    settings.callSign = "DL1ABC";
    settings.cwIdAfter = true;
    FakeSink sink;
    bool aborted = false;
    SstvTransmitter tx(std::make_unique<SstvCodeStream>(kMartin1Row, pic, settings), sink,
                       {{}, [&](bool a, bool) { aborted = a; }});
    std::size_t headerCodes = 0;
    for (const auto& e : tx.stream().headerList())
        headerCodes += e.size();
    for (int i = 0; i < 30; ++i)
        tx.step();
    tx.abort();
    const auto before = sink.written.size();
    EXPECT_GT(before, headerCodes);
    EXPECT_FALSE(tx.step());
    EXPECT_EQ(sink.written.size(), before);
    EXPECT_TRUE(aborted);
}

TEST(SstvTransmitterLoop, CodesOnlyStreamForMorseTexts)
{
    const auto sc = ToneCodes::forInterface(kInterfaceSoundcard);
    auto codes = morseCodes("DL1ABC K", 100, 7350, sc);
    FakeSink sink;
    SstvTransmitter tx(std::make_unique<SstvCodeStream>(codes, SstvTxSettings{}), sink);
    while (tx.step()) {
    }
    EXPECT_EQ(sink.written, codes);
}

TEST(SstvTransmitter, CallSignCheckAndSlider)
{
    EXPECT_FALSE(callSignUsable(""));
    EXPECT_FALSE(callSignUsable("AB"));
    EXPECT_FALSE(callSignUsable("  AB  "));
    EXPECT_TRUE(callSignUsable("DL1"));

    RgbPicture pic(340, 256);
    SstvCodeStream stream(kMartin1Row, pic, SstvTxSettings{});
    stream.setSliderPosition(128);
    EXPECT_EQ(stream.rowsToSend(), 128);
    stream.setSliderPosition(1);
    EXPECT_EQ(stream.rowsToSend(), 16);
    stream.setSliderPosition(256);
    EXPECT_EQ(stream.rowsToSend(), 256);

    SstvTxSettings ptc;
    ptc.interfaceType = kInterfacePtcII;
    ptc.dataRate = 5760;
    EXPECT_FLOAT_EQ(txCodesPerMs(ptc), 2.88f);
    EXPECT_DOUBLE_EQ(txCodesPerSecond(ptc), 2880.0);
}

TEST(SstvTransmitter, ColourConversions)
{
    struct Case {
        std::uint32_t rgb;
        int y, ry, by, grey;
    };
    const Case cases[] = {
        {0x000000, 0, 126, 126, 0},
        {0xFFFFFF, 255, 126, 126, 229},
        {0xFF0000, 76, 253, 83, 25},
        {0x0000FF, 28, 105, 253, 51},
        {0x00FF00, 149, 19, 41, 153},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(txLuminance(c.rgb), c.y) << std::hex << c.rgb;
        EXPECT_EQ(txRedDifference(c.rgb), c.ry) << std::hex << c.rgb;
        EXPECT_EQ(txBlueDifference(c.rgb), c.by) << std::hex << c.rgb;
        EXPECT_EQ(txGrey(c.rgb), c.grey) << std::hex << c.rgb;
    }
}
