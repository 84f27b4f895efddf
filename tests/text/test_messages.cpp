#include "signal_gen.h"
#include "core/event_log.h"
#include "text/message_store.h"
#include "text/text_receiver.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

using namespace tellur::text;
namespace fs = std::filesystem;

namespace {

struct Collect : MessageSink {
    std::vector<FramedMessage> messages;
    void storeMessage(const FramedMessage& m) override { messages.push_back(m); }
};

fs::path freshDir(const std::string& name)
{
    fs::path d = fs::temp_directory_path() / ("tellur_text_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

constexpr DayTime kT0 = 46000.5; // some day in 2025, noon

// A NAVTEX body whose stored text (with "KA01" and "NNNN" lines) is exactly 500 characters.
std::string body500()
{
    // "KA01\r\n" + body + "\r\nNNNN" = 500 -> body 488 chars: 8 lines of 59 + CRLF (61 each) = 488 - 2
    std::string body;
    for (int i = 0; i < 8; ++i) {
        std::string line = std::string("LINE ") + static_cast<char>('A' + i) + " GALE WARNING SEA AREA HUMBER THAMES DOVER";
        line.resize(59, 'X');
        body += line;
        if (i < 7)
            body += "\r\n";
    }
    body += "XX";
    return body;
}

} // namespace

TEST(Framing, NavtexHeaderChecksAndZczcInsideBody)
{
    Collect sink;
    MessageFraming f(MessageFraming::Variant::Navtex, sink);
    f.frame("NOISE ZCZC KA1\r\nIGNORED\r\nNNNN\r\n", kT0); // header rejected
    f.frame("zczc KA01\r\nFIRST LINE\r\nSECOND ZCZC EB12\r\nOTHER\r\nNNNN\r\n", kT0);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].id, "KA01");
    EXPECT_EQ(sink.messages[0].lines, (std::vector<std::string>{"KA01", "FIRST LINE"}));
    EXPECT_EQ(sink.messages[1].id, "EB12");
    EXPECT_EQ(sink.messages[1].lines, (std::vector<std::string>{"EB12", "OTHER", "NNNN"}));
    EXPECT_EQ(sink.messages[1].kind, FramedMessage::Kind::Navtex);
}

TEST(Framing, BulletinEndsAtNnnnRyryAndAfterThirtyMinutes)
{
    Collect sink;
    MessageFraming f(MessageFraming::Variant::Bulletin, sink);
    f.frame("ZCZC AB12 \nSMRO01 YRBK\r\nNNNN", kT0);
    f.frame("ZCZC XYZ9 \nTEXT\nRYRYRYRY", kT0);
    f.frame("ZCZC QQQ  \nSLOW\n", kT0);
    f.frame('X', kT0 + 0.02); // 28.8 minutes: not yet
    EXPECT_EQ(sink.messages.size(), 2u);
    f.frame('Y', kT0 + 0.021);
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0].id, "@AB12");
    EXPECT_EQ(sink.messages[0].lines, (std::vector<std::string>{"ZCZC AB12", "", "SMRO01 YRBK", "NNNN"}));
    EXPECT_EQ(sink.messages[1].id, "@XYZ9");
    EXPECT_EQ(sink.messages[2].id, "@QQQ");
    EXPECT_EQ(sink.messages[2].kind, FramedMessage::Kind::Bulletin);
}

TEST(Framing, RandomBytesAndEndlessLinesStayBounded)
{
    std::mt19937 rng(3);
    for (auto v : {MessageFraming::Variant::Navtex, MessageFraming::Variant::Bulletin, MessageFraming::Variant::Import}) {
        Collect sink;
        MessageFraming f(v, sink);
        for (int i = 0; i < 200000; ++i)
            f.frame(static_cast<char>(rng()), kT0);
        f.frame("ZCZC KA01\r\n", kT0);
        for (int i = 0; i < 100000; ++i)
            f.frame('A', kT0);
        EXPECT_LE(f.buffer().size(), MessageFraming::kMaxLineLength);
    }
}

TEST(MessageStore, QualityAndSimilarity)
{
    EXPECT_EQ(messageQuality(std::string(490, 'A') + std::string(10, '_')), 980);
    EXPECT_EQ(messageQuality(std::string(395, 'A') + std::string(105, '_')), 790);
    EXPECT_EQ(messageSimilarity("ABCDEF", "ABCXYZ"), 500);
    EXPECT_EQ(messageSimilarity("ABC", "ABCDEF"), 1000);
}

TEST(MessageStore, NavtexRoundTripThroughTheFecDecoder)
{
    const fs::path dir = freshDir("roundtrip");
    MessageStore store(dir);
    EXPECT_EQ(store.opened(), MessageStore::Opened::Created);
    const std::string body = body500();
    const std::string transmission = "ZCZC KA01\r\n" + body + "\r\nNNNN\r\n";
    const auto codes = testgen::fecCodes(transmission);
    const std::size_t first = testgen::fecCodes("ZCZC KA01\r\nL").size() - 1; // the body's first code
    auto withErrors = [&](int count, std::size_t offset) {
        testgen::FecOptions opt;
        for (int i = 0; i < count; ++i)
            opt.corruptBoth.insert(first + offset + static_cast<std::size_t>(i) * 7);
        return testgen::fecItems(transmission, opt);
    };
    auto receive = [&](const std::vector<std::uint16_t>& items, DayTime t) {
        TextReceiver rx(store);
        rx.applyMode(RttyFec, 1000000, 7);
        // 200 ms ticks, as the command-line decoder runs them
        for (std::size_t i = 0; i < items.size(); i += 1470) {
            rx.processItems(std::span(items).subspan(i, std::min<std::size_t>(1470, items.size() - i)), t);
            rx.consume(t);
        }
        return store.find("KA01");
    };
    ASSERT_EQ(codes.size(), first + body.size() + 8); // no shift codes inside the body

    auto bad = receive(withErrors(105, 0), kT0); // 21 % error marks
    EXPECT_FALSE(bad.has_value());

    auto rec = receive(withErrors(10, 0), kT0); // 2 %
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->quality, 980);
    EXPECT_EQ(rec->received, 1);
    EXPECT_EQ(rec->replaced, 0);
    EXPECT_EQ(rec->type, "A");
    EXPECT_EQ(rec->station, "K");
    EXPECT_DOUBLE_EQ(rec->rxOrder, 3000000.0 - kT0);

    rec = receive(withErrors(15, 1), kT0 + 0.1); // worse copy: only Received and LASTRX
    EXPECT_EQ(rec->quality, 980);
    EXPECT_EQ(rec->received, 2);
    EXPECT_EQ(rec->replaced, 0);
    EXPECT_DOUBLE_EQ(rec->lastRx, kT0 + 0.1);
    EXPECT_DOUBLE_EQ(rec->firstRx, kT0);

    rec = receive(withErrors(0, 0), kT0 + 0.2); // clean copy replaces the text
    EXPECT_EQ(rec->quality, 1000);
    EXPECT_EQ(rec->received, 3);
    EXPECT_EQ(rec->replaced, 1);
    EXPECT_EQ(rec->message, "KA01\r\n" + body + "\r\nNNNN");

    std::string other(body.size(), 'Q');
    receive(testgen::fecItems("ZCZC KA01\r\n" + other + "\r\nNNNN\r\n"), kT0 + 1);
    rec = store.find("KA01");
    EXPECT_EQ(rec->received, 1);
    EXPECT_EQ(rec->replaced, 0);
    EXPECT_DOUBLE_EQ(rec->firstRx, kT0 + 1);
    EXPECT_DOUBLE_EQ(rec->rxOrder, 3000000.0 - (kT0 + 1));
    EXPECT_EQ(rec->message, "KA01\r\n" + other + "\r\nNNNN");
    EXPECT_EQ(store.list().size(), 1u);
}

TEST(MessageStore, LossOfSyncDropsTheMessageInProgress)
{
    const fs::path dir = freshDir("syncloss");
    MessageStore store(dir);
    testgen::FecOptions opt;
    for (std::size_t i = 30; i < 60; ++i)
        opt.corruptBoth.insert(i); // 30 bad characters in a row: error counter passes 40
    TextReceiver rx(store);
    rx.applyMode(RttyFec, 1000000, 7);
    rx.processItems(testgen::fecItems("ZCZC EB07\r\n" + std::string(80, 'E') + "\r\nNNNN\r\n", opt), kT0);
    rx.consume(kT0);
    EXPECT_FALSE(store.find("EB07").has_value());
    EXPECT_EQ(rx.framing().state(), 0);
}

TEST(MessageStore, BulletinsShareARecordByTheirFirstFourCharacters)
{
    const fs::path dir = freshDir("bulletin");
    MessageStore store(dir);
    EXPECT_TRUE(store.storeBulletin("@SMRO1", kT0, {"ZCZC SMRO1", "A"}));
    EXPECT_TRUE(store.storeBulletin("@SMRO2", kT0 + 1, {"ZCZC SMRO2", "B"}));
    auto all = store.list();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].id, "@SMR");
    EXPECT_EQ(all[0].message, "ZCZC SMRO2\r\nB");
    EXPECT_EQ(all[0].type, "@");
    EXPECT_EQ(all[0].quality, 1000);
}

TEST(MessageStore, HandlesSeeEachOthersCommitsAndFiltersBindValues)
{
    const fs::path dir = freshDir("handles");
    MessageStore a(dir);
    MessageStore b(dir);
    a.storeNavtex("KA01", kT0, {"KA01", "X"});
    a.storeNavtex("KB02", kT0, {"KB02", "X"});
    a.storeNavtex("LA03", kT0, {"LA03", "X"});
    b.storeBulletin("@ABC", kT0, {"ZCZC ABC"});
    EXPECT_EQ(b.list().size(), 4u);
    EXPECT_EQ(a.list().size(), 4u);

    auto f = parseFilterExpression("Type <> '@' and Station = 'K'");
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(b.list(*f).size(), 2u);
    EXPECT_EQ(b.list(*parseFilterExpression("Type = '@'")).size(), 1u);
    EXPECT_FALSE(parseFilterExpression("Station = 'K'' or 1=1 --'").has_value());
    EXPECT_EQ(b.list({{"Station", true, "K' OR '1'='1"}}).size(), 0u); // a value is only ever a value
    EXPECT_FALSE(parseFilterExpression("Message = 'x'").has_value());
    EXPECT_FALSE(parseFilterExpression("Type = '@' or 1=1").has_value());
    EXPECT_TRUE(parseFilterExpression("")->empty());
}

TEST(MessageStore, GroupDeletionByAge)
{
    const fs::path dir = freshDir("delete");
    MessageStore s(dir);
    s.storeNavtex("KA01", kT0 - 3.5, {"KA01", "X"}); // 3 whole days old: kept with "3"
    s.storeNavtex("KA02", kT0 - 4.0, {"KA02", "X"}); // 4 days: deleted
    s.storeNavtex("LA03", kT0 - 10, {"LA03", "X"});  // other station
    s.storeBulletin("@XYZ", kT0 - 10, {"ZCZC XYZ"});
    EXPECT_EQ(s.deleteGroup(*parseFilterExpression("Type <> '@' and Station = 'K'"), 3, kT0), 1);
    EXPECT_TRUE(s.find("KA01").has_value());
    EXPECT_EQ(s.deleteGroup(*parseFilterExpression("Type = '@'"), 0, kT0), 1);
    EXPECT_EQ(s.list().size(), 2u);
}

TEST(MessageStore, OldTenFieldTableIsRebuiltKeepingEveryMessage)
{
    const fs::path dir = freshDir("rebuild");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir / "NAVTEX.dbf").c_str(), &db), SQLITE_OK);
        const char* sql =
            "CREATE TABLE NAVTEX (ID CHAR(4), Type CHAR(1), Station CHAR(1), FIRSTRX DATETIME, LASTRX DATETIME,"
            " Quality INTEGER, Received INTEGER, Replaced INTEGER, Message TEXT, RXORDER FLOAT);"
            "CREATE INDEX IDIndex ON NAVTEX(ID);"
            "INSERT INTO NAVTEX VALUES ('KA01','A','K',46000,46001,990,2,1,'KA01\r\nOLD',2954000);"
            "INSERT INTO NAVTEX VALUES ('@SMR','@','@',46002,46002,1000,1,0,'ZCZC SMR',2953998);";
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    MessageStore s(dir);
    EXPECT_EQ(s.opened(), MessageStore::Opened::Rebuilt);
    auto all = s.list({}, MessageStore::Order::IdIndex);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].id, "KA01");
    EXPECT_EQ(all[1].message, "KA01\r\nOLD");
    EXPECT_EQ(all[1].received, 2);
    EXPECT_DOUBLE_EQ(all[1].rxlOrder, 3000000.0 - 46001);
    MessageStore again(dir);
    EXPECT_EQ(again.opened(), MessageStore::Opened::Existing);
}

TEST(MessageStore, ForeignCorruptOrUnwritableFilesGiveClearErrors)
{
    const fs::path dir = freshDir("bad");
    {
        std::ofstream f(dir / "NAVTEX.dbf", std::ios::binary);
        f << std::string("\x03\x7d\x0b\x0f\x02\x00\x00\x00", 8) << std::string(600, ' '); // a dBase header
    }
    try {
        MessageStore s(dir);
        FAIL() << "foreign file opened";
    } catch (const tellur::storage::TableError& e) {
        EXPECT_NE(std::string(e.what()).find("Error accessing the Borland Database Engine"), std::string::npos);
    }
    EXPECT_EQ(fs::file_size(dir / "NAVTEX.dbf"), 608u) << "the user's file is left alone";

    // A real table damaged in its data pages: every use fails cleanly or works, nothing crashes.
    const fs::path damaged = freshDir("damaged");
    {
        MessageStore s(damaged);
        for (int i = 0; i < 200; ++i)
            s.storeNavtex("KA" + std::to_string(10 + i % 90), kT0 + i, {"KA", std::string(300, 'A' + i % 26)});
        s.pack();
    }
    {
        std::fstream f(damaged / "NAVTEX.dbf", std::ios::in | std::ios::out | std::ios::binary);
        std::mt19937 rng(11);
        for (std::streamoff pos = 4096; pos < 40000; pos += 97) {
            f.seekp(pos);
            f.put(static_cast<char>(rng()));
        }
    }
    try {
        MessageStore s(damaged);
        s.storeNavtex("KB01", kT0, {"KB01", "X"});
        s.list();
    } catch (const tellur::storage::TableError& e) {
        EXPECT_NE(std::string(e.what()), "");
    }

    if (::geteuid() != 0) {
        const fs::path ro = freshDir("readonly");
        ::chmod(ro.c_str(), 0555);
        EXPECT_THROW(MessageStore s(ro), tellur::storage::TableError);
        ::chmod(ro.c_str(), 0755);
    }
}

TEST(MessageStore, SurvivesKillDuringABurstOfStores)
{
    const fs::path dir = freshDir("kill");
    { MessageStore create(dir); }
    int pipefd[2];
    ASSERT_EQ(::pipe(pipefd), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(pipefd[0]);
        MessageStore s(dir);
        for (int i = 0;; ++i) {
            char id[8];
            std::snprintf(id, sizeof id, "K%c%02d", 'A' + (i / 100) % 26, i % 100);
            s.storeNavtex(id, kT0 + i, {id, "BODY " + std::to_string(i)});
            // report each committed store to the parent
            if (::write(pipefd[1], &i, sizeof i) != sizeof i)
                ::_exit(1);
        }
    }
    ::close(pipefd[1]);
    int last = -1, v = 0;
    while (last < 150 && ::read(pipefd[0], &v, sizeof v) == sizeof v)
        last = v;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    while (::read(pipefd[0], &v, sizeof v) == sizeof v)
        last = v;
    ::close(pipefd[0]);
    MessageStore s(dir);
    auto all = s.list();
    EXPECT_GE(static_cast<int>(all.size()), last + 1);
    for (int i = 0; i <= last; ++i) {
        char id[8];
        std::snprintf(id, sizeof id, "K%c%02d", 'A' + (i / 100) % 26, i % 100);
        ASSERT_TRUE(s.find(id).has_value()) << id;
    }
}

TEST(MessageStore, ImportFramesNavtexAndBulletinsAndPacks)
{
    const fs::path dir = freshDir("import");
    MessageStore s(dir);
    const fs::path file = dir / "in.txt";
    {
        std::ofstream f(file, std::ios::binary);
        f << "junk\r\nZCZC KA05\r\nGALE\r\nNNNN\r\nZCZC SMRO01 YRBK\r\nAAXX 09121\r\nNNNN\r\n";
    }
    EXPECT_EQ(s.importTextFile(file, kT0), 2);
    auto k = s.find("KA05");
    ASSERT_TRUE(k.has_value());
    EXPECT_EQ(k->message, "ZCZC\r\nKA05\r\nGALE\r\nNNNN");
    auto b = s.find("@SMR");
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->message, "ZCZC\r\n SMR\r\n1 YRBK\r\nAAXX 09121\r\nNNNN");
    EXPECT_EQ(s.importTextFile(dir / "missing.txt", kT0), -1);

    tellur::RecordingEventLog log;
    s.packAndLog(log);
    EXPECT_TRUE(log.contains("Navtex.dbf pack & Close result: The table was successfully rebuilt."));
}

TEST(FrequencyList, CreatesTableAndSortsByItsOrders)
{
    const fs::path dir = freshDir("freq");
    using tellur::storage::FrequencyList;
    FrequencyList fl(dir);
    fl.append({0, "7040", "1", "beta"});
    fl.append({0, "14230", "1", "Alpha"});
    fl.append({0, "3855", "2", "alpha"});
    auto r = fl.entries(FrequencyList::Order::Rindex);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].freq, "14230");
    EXPECT_EQ(r[1].freq, "7040");
    EXPECT_EQ(r[2].radio, "2");
    auto d = fl.entries(FrequencyList::Order::Dindex);
    EXPECT_EQ(d[0].freq, "14230");
    EXPECT_EQ(d[1].freq, "3855");
    FrequencyList second(dir);
    EXPECT_EQ(second.entries(FrequencyList::Order::Natural).size(), 3u);
}
