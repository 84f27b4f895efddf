#include "text/message_filters.h"
#include "text/text_window_model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tellur::text;

TEST(TextPane, BreaksLinesHidesControlsAndTrimsOldLines)
{
    TextPane pane;
    std::string shown = pane.flush("AB\rC\aD\nE");
    EXPECT_EQ(shown, "ABCD\nE");
    EXPECT_EQ(pane.lines(), (std::deque<std::string>{"ABCD", "E"}));
    pane.clear();
    shown = pane.flush(std::string(85, 'X'));
    EXPECT_EQ(pane.lines().front().size(), 80u);
    EXPECT_EQ(pane.lines().back(), "XXXXX");
    EXPECT_EQ(shown, std::string(80, 'X') + "\n" + std::string(5, 'X'));

    for (int i = 0; i < 1000; ++i)
        pane.flush(std::to_string(i) + std::string(70, 'Y') + "\n");
    EXPECT_LE(pane.length(), TextPane::kMaxChars);
    EXPECT_TRUE(pane.trimmed());
    EXPECT_EQ(pane.lines()[pane.lines().size() - 2].substr(0, 3), "999");
}

TEST(TextWindowModel, CaptureFileTemplateAndTimes)
{
    const DayTime t = dayTimeFromUnix(1705321800); // 15 January 2024 12:30:00 UTC
    EXPECT_EQ(formatCaptureTime(t), "15-Jan-2024 12:30:00");
    EXPECT_EQ(textFileName(" @_yyyymmdd_hhnn ", "", "Baudot 50 / 450", t), "Baudot 50_450_20240115_1230");
    EXPECT_EQ(textFileName("rtty-yymmddYYYYY", "Event", "x", t), "RTTY-2401152024Y");

    const auto dir = std::filesystem::temp_directory_path() / ("tellur_capture_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        CaptureFile c;
        ASSERT_TRUE(c.open(dir, t));
        c.write("HELLO\n");
        c.close(t);
    }
    std::ifstream in(dir / "Capture.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "--- Start capture: 15-Jan-2024 12:30:00 UTC ---\n\nHELLO\n\n\n--- End capture: 15-Jan-2024 "
                        "12:30:00 UTC ---\n");
    std::filesystem::remove_all(dir);
}

TEST(TextWindowModel, StepListsApplyModeAndPtcCommands)
{
    EXPECT_EQ(stepBaud(110, true), 45);
    EXPECT_EQ(stepBaud(45, false), 110);
    EXPECT_EQ(stepBaud(60, true), 75);
    EXPECT_EQ(stepShift(85, false), 850);
    EXPECT_EQ(stepShift(170, true), 450);

    EXPECT_EQ(operatingModeFor(RttyFec, 170, 8), 10);
    EXPECT_EQ(operatingModeFor(RttyBaudot, 85, 10), 7);
    EXPECT_EQ(operatingModeFor(RttyBaudot, 850, 10), 11);
    EXPECT_EQ(operatingModeFor(RttyBaudot, 200, 9), 9);

    EXPECT_EQ(ptcApplyModeCommands(RttyBaudot, "BAUDOT", 1360, false, 450, 50),
              (std::vector<std::string>{"Term 0", "Status 2", "BAUDOT 50", "TO 2", "TR 0", "Mark 1135", "Space 1585",
                                        "LFIgnore 0"}));
    EXPECT_EQ(ptcApplyModeCommands(RttyFec, "AMTOR", 1000, true, 170, 100),
              (std::vector<std::string>{"Term 0", "Status 2", "AMTOR", "ARX 1", "BC 1", "TO 2", "TR 0", "Mark 915",
                                        "Space 1085", "LFIgnore 0"}));
    EXPECT_EQ(ptcReverseCommand(RttyFec, true), "TR 0");
    EXPECT_EQ(ptcReverseCommand(RttyBaudot, true), "TR 3");
    EXPECT_TRUE(ptcStatusWaiting(0x17));
    EXPECT_FALSE(ptcStatusWaiting(0x16));
}

TEST(MessageFilters, ExpressionsListsAndStationNames)
{
    EXPECT_EQ(buildFilterExpression("^", "K"), "Type <> '@' and Station = 'K'");
    EXPECT_EQ(buildFilterExpression("B", ""), "Type = 'B'");
    EXPECT_EQ(buildFilterExpression("", ""), "");
    EXPECT_EQ(messageTypeEntries().size(), 15u);
    EXPECT_EQ(messageTypeEntries()[3], "A - Navigational Warnings");
    EXPECT_EQ(messageTypeEntries().back(), "I - OMEGA Messages");
    EXPECT_EQ(navareaCode(navareaEntries()[0]), "no");
    EXPECT_EQ(navareaEntries()[16], "16 - Peru");

    NavtexStationNames names;
    names.loadFromText("01 K;Niton\r\n01 A,Svalbard\n03 K;Kerkyra\n");
    EXPECT_EQ(names.name("01", 'K'), "Niton");
    EXPECT_EQ(names.name("03", 'K'), "Kerkyra");
    EXPECT_EQ(names.name("02", 'K'), "");
    EXPECT_EQ(names.name("no", 'K'), "not known");
    auto entries = names.stationEntries("01");
    ASSERT_EQ(entries.size(), 27u);
    EXPECT_EQ(entries[11], "K - Niton");
    EXPECT_EQ(names.stationEntries("05")[1], "A - ");
}

TEST(TextWindowModel, PtcStatusBytesScrollBackAndPrunedSave)
{
    PtcCharacterReader ptc;
    const std::vector<std::uint16_t> bytes = {'A', 0x1E, 0x07, 'B', 0x1E};
    EXPECT_EQ(ptc.read(bytes), "AB");
    EXPECT_TRUE(ptc.takeStatusSeen());
    EXPECT_TRUE(ptcStatusWaiting(ptc.status()));
    const std::vector<std::uint16_t> tail = {0x02, 'C'}; // status split across reads
    EXPECT_EQ(ptc.read(tail), "C");
    EXPECT_EQ(ptc.status(), 0x02);

    ScrollBack sb;
    sb.leaveBottom();
    EXPECT_EQ(sb.panelText(), "SCROLL BACK (40 sec. ) Click here to terminate.");
    for (int i = 0; i < 399; ++i)
        EXPECT_FALSE(sb.tick());
    sb.scrolled(); // moving restarts the countdown
    for (int i = 0; i < 399; ++i)
        sb.tick();
    EXPECT_TRUE(sb.active());
    EXPECT_TRUE(sb.tick());
    EXPECT_FALSE(sb.active());

    const auto dir = std::filesystem::temp_directory_path() / ("tellur_prune_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (int i = 0; i < 3; ++i) {
        std::ofstream(dir / ("old" + std::to_string(i) + ".txt")) << i;
        std::filesystem::last_write_time(dir / ("old" + std::to_string(i) + ".txt"),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(10 - i));
    }
    ASSERT_TRUE(saveTextPruned(dir, "NEW.txt", {"LINE 1", "LINE 2"}, 3));
    EXPECT_FALSE(std::filesystem::exists(dir / "old0.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir / "old1.txt"));
    std::ifstream in(dir / "NEW.txt");
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "LINE 1\nLINE 2\n");
    std::filesystem::remove_all(dir);
}
