// The FAX road from the window to the files: the FAX-RX window and `decode fax` drive the same
// station, so the same recording gives the same files; saving, printing and the command after
// reception work from the window.
#include "fax_wave.h"
#include "ui_fixture.h"

#include "fax/avi_file.h"
#include "fax/palette_file.h"
#include "fax/ui/fax_rx_win.h"
#include "settings/fax_mode_table.h"

#include <QAbstractButton>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tellur::ui::test {
namespace {

namespace fs = std::filesystem;

std::string fileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> filesIn(const fs::path& folder)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(it->path());
    std::sort(out.begin(), out.end());
    return out;
}

int runCli(const std::string& args)
{
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + std::string(TELLUR_CLI_PATH) +
                            " " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FaxRoadTest : public StationFixture {
protected:
    void beforeStart(THauptformular& m) override { installReceiveWindows(m); }

    // The station's configuration: FAX on the soundcard, saving into the station folder.
    StationConfig baseConfig(bool autoSave)
    {
        StationConfig c;
        c.setU8(cfg::kLastTransmissionType, 2);
        c.setI32(cfg::kInterfaceType, InterfaceSoundCard);
        c.setFlag(cfg::kFaxAutoSave, autoSave);
        c.setFlag(cfg::kFaxSpectrumOpen, false);
        c.setFolder(StationFolder::FaxLastReceived, "./FAX-Lastreceived/");
        c.setFolder(StationFolder::MasksPalettes, "./Masks & Palettes/");
        c.setFolder(StationFolder::Movies, "./Movies/");
        c.setFolder(StationFolder::ExternalPrograms, "./External-Programs/");
        return c;
    }

    // Row 0 identified by the schedule identification "Automatic": at 11:00 format C03 with the
    // split palette D2, which a mask and a movie format are set up for.
    static void configureIdentifiedPictures(StationConfig& c, const fs::path& home)
    {
        auto row = fax::readFaxModeRow(c, 0);
        row.palette = "Automatic";
        fax::writeFaxModeRow(c, 0, row);
        c.setStr(cfg::kMovieFormats, cfg::kMovieFormatCapacity, "C03");
        c.setI32(cfg::kMovieRate, 8);
        c.setI32(cfg::kMovieResolution, 2);
        c.setI32(cfg::kMaxMoviePictures, 48);
        const fs::path masks = home / "Masks & Palettes";
        fs::create_directories(masks);
        std::ofstream(masks / "Automatic") << "1100C03 D2 \n";
        storage::ColourTable split{};
        for (int i = 0; i < 256; ++i)
            split[std::size_t(i)] = i < 128 ? std::uint32_t(i * 2) << 8 : std::uint32_t(i) << 16 | std::uint32_t(255 - i);
        ASSERT_TRUE(fax::writePaletteFile(masks / "D2.psl", split));
        // Left land (green), right sea (blue), a black band across: all three rules of a mask.
        const auto rec = fax::readFaxModeRow(c, 0);
        storage::TDI8Bitmap mask(rec.pixelsToShow, rec.maxLines);
        mask.setColour(1, 0x00FF00);  // green
        mask.setColour(2, 0xFF0000);  // blue (0x00BBGGRR)
        mask.setColour(3, 0x000000);
        for (int y = 0; y < mask.fullHeight(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                mask.setPixel(x, y, y >= 12 && y < 16 ? 3 : x < mask.width() / 2 ? 1 : 2);
        mask.markAllWritten();
        ASSERT_TRUE(mask.save(masks / "MASKC03_.BMP"));
    }

    TFAXRXWin* openFax(const StationConfig& c)
    {
        writeConfig(c);
        makeMain();
        settle();
        return qobject_cast<TFAXRXWin*>(main->receiveWindow());
    }

    // Plays the wave into the window and waits for the first saved picture.
    QString decodeInWindow(TFAXRXWin* fax, const fs::path& wav)
    {
        QStringList saved;
        QObject::connect(fax, &TFAXRXWin::pictureSaved, [&](const QString& f) { saved << f; });
        dialogs->files = {QString::fromStdString(wav.string())};
        fax->decodeWaveFile();
        EXPECT_TRUE(waitUntil([&] { return !saved.isEmpty(); }, 120000));
        EXPECT_TRUE(waitUntil([&] { return !fax->playbackRunning(); }, 60000));
        return saved.isEmpty() ? QString() : saved.front();
    }

    fs::path home() const { return fs::path(dir.path().toStdString()); }
};

TEST_F(FaxRoadTest, WindowAndCommandLineMakeTheSameFilesFromTheSameRecording)
{
    const fs::path wav = home() / "chart.wav";
    writeWave(wav, hfFaxAudio(40));

    // The command line in a station folder of its own, configured alike.
    const fs::path cliHome = home() / "cli-station";
    StationConfig c = baseConfig(true);
    configureIdentifiedPictures(c, cliHome);
    ASSERT_TRUE(saveConfigFile(cliHome / "tellur32.CNJ", c));
    ASSERT_EQ(runCli("--home '" + cliHome.string() + "' decode fax --clock 2026-03-14T11:00 '" + wav.string() + "'"), 0);

    configureIdentifiedPictures(c, home());
    TFAXRXWin* fax = openFax(c);
    ASSERT_NE(fax, nullptr);
    const QString windowFile = decodeInWindow(fax, wav);
    ASSERT_FALSE(windowFile.isEmpty());

    const auto cliFiles = filesIn(cliHome / "FAX-Lastreceived" / "HF-Fax");
    ASSERT_EQ(cliFiles.size(), 1u);
    EXPECT_EQ(fs::path(windowFile.toStdString()).filename(), cliFiles[0].filename())
        << "named by the identified format code and time";
    EXPECT_EQ(cliFiles[0].filename().string().substr(0, 3), "C03");
    EXPECT_TRUE(fileBytes(windowFile.toStdString()) == fileBytes(cliFiles[0])) << "the same picture, byte for byte";

    // The split palette and the mask went into the picture: the colour table is the palette's.
    storage::TDI8Bitmap picture;
    ASSERT_TRUE(picture.load(windowFile.toStdString()));
    EXPECT_EQ(picture.colours(), fax::readPaletteFile(home() / "Masks & Palettes" / "D2.psl").colours);

    const fs::path windowMovie = home() / "Movies" / "C03.avi", cliMovie = cliHome / "Movies" / "C03.avi";
    for (const auto& movie : {windowMovie, cliMovie}) {
        SCOPED_TRACE(movie.string());
        const auto info = fax::readMovieDescription(movie);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->frameCount, 1) << "the picture was appended as the movie's frame";
    }
    EXPECT_TRUE(fileBytes(windowMovie) == fileBytes(cliMovie)) << "the same frame in both movies";
}

// The Save button writes the picture through "Save picture..." although automatic saving is off,
// and Stop's "Save received picture?" answered Yes saves and prints it.
TEST_F(FaxRoadTest, SavingAndPrintingByHandWithAutomaticSavingOff)
{
    const fs::path wav = home() / "long.wav";
    writeWave(wav, hfFaxAudio(300));
    StationConfig c = baseConfig(false);
    c.setFlag(cfg::kFaxAutoPrint, true);
    station.printFile = home() / "printed.pdf";
    TFAXRXWin* fax = openFax(c);
    ASSERT_NE(fax, nullptr);
    auto* save = fax->findChild<QAbstractButton*>("SaveButton");
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(save->isEnabled()) << "enabled while automatic saving is off";
    EXPECT_EQ(save->toolTip(), "Save received picture (if Autosave is off)");

    dialogs->files = {QString::fromStdString(wav.string())};
    fax->decodeWaveFile();
    ASSERT_TRUE(waitUntil([&] { return fax->receiver().lineCount() > 30; }, 120000));

    const fs::path chosen = home() / "by-hand.png";
    dialogs->files = {QString::fromStdString(chosen.string())};
    save->click();
    EXPECT_TRUE(dialogs->asked.contains("Save picture..."));
    ASSERT_TRUE(fs::exists(chosen));
    storage::TDI8Bitmap written;
    ASSERT_TRUE(written.load(chosen));
    EXPECT_GT(written.height(), 30);

    dialogs->answers = {true};
    main->findChild<QAbstractButton*>("StopButton")->click();
    EXPECT_TRUE(dialogs->asked.contains("Save received picture?"));
    fax->abortPlayback();
    ASSERT_TRUE(waitUntil([&] { return !fax->station().saving() && !fax->lastSavedFile().empty(); }, 30000));
    EXPECT_TRUE(fs::exists(fax->lastSavedFile())) << "Yes saves although automatic saving is off";
    EXPECT_EQ(fax->lastSavedFile().parent_path(), home() / "FAX-Lastreceived" / "HF-Fax");

    // Auto-print (on) printed the picture as one PDF page.
    const std::string pdf = fileBytes(station.printFile);
    ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
    std::size_t pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0)
            ++pages;
    EXPECT_EQ(pages, 1u);
}

TEST_F(FaxRoadTest, CommandAfterReceptionGetsTheSavedFile)
{
    const fs::path wav = home() / "chart.wav";
    writeWave(wav, hfFaxAudio(40));
    StationConfig c = baseConfig(true);
    c.setStr(cfg::kCommandAfterFaxRx, cfg::kCommandAfterFaxRxCapacity, "note.sh @ done");
    const fs::path programs = home() / "External-Programs";
    fs::create_directories(programs);
    {
        std::ofstream script(programs / "note.sh");
        script << "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$2\" > \"$(pwd)/noted.txt\"\n";
    }
    fs::permissions(programs / "note.sh", fs::perms::owner_all);
    TFAXRXWin* fax = openFax(c);
    ASSERT_NE(fax, nullptr);
    const QString saved = decodeInWindow(fax, wav);
    ASSERT_FALSE(saved.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return fs::exists(programs / "noted.txt"); }, 20000))
        << "started in the external programs folder";
    EXPECT_EQ(fileBytes(programs / "noted.txt"), saved.toStdString() + "|done");
}

} // namespace
} // namespace tellur::ui::test
