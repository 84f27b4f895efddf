// Saving received FAX pictures: the file-name template, the folder of a mode with its pruning to
// the mode's maximum, the date/time stamp, printing through a narrow interface, and the command
// run after a reception. The save thread (Tsavethread) runs saveReceivedPicture on its own
// thread, on a copy of the picture.
#pragma once

#include "core/text_mask.h"
#include "settings/fax_mode_table.h"
#include "fax/fax_receiver.h"
#include "storage/di8_bitmap.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace tellur {
class StationConfig;
}

namespace tellur::fax {

// Expands the template: upper-cased and trimmed; "@" the name part (in its own case), "YYYY",
// "YY", "MM", "DD" from the 8-character date, "HH", "NN" from the 4-character time.
std::string expandFileNameTemplate(std::string_view tmpl, std::string_view namePart, std::string_view date8,
                                   std::string_view time4);

// The name part, date and time of a finished picture: an explicit name, else the trimmed format
// code of a header, else the mode name; a header's own date (yymmdd, taken as 20yy) and time
// when it has them, else the picture start time.
std::string pictureFileName(std::string_view tmpl, const FinishedPicture& picture, std::string_view modeName,
                            std::string_view explicitName = {});

// "PNG", "PCX", "BMP", "JPG" by the configured FAX file type (PNG when out of range).
std::string_view faxFileExtension(std::int32_t fileType);

// The save dialog: its filter ("PNG|*.PNG|PCX|*.PCX|BMP|*.BMP|JPG|*.JPG"), the proposed file
// (mode folder + start time "mmddhhnn") and whether a chosen name has a writer (TIF included).
std::string saveDialogFilter();
std::filesystem::path saveDialogProposal(const std::filesystem::path& pictureFolder, std::string_view modeName,
                                         double startTime);
bool saveDialogWritable(const std::filesystem::path& chosen);

struct PruneResult {
    int deleted = 0;
    bool stoppedOnFailure = false; // the oldest file could not be deleted
};
// Deletes the oldest files (by last write; the first listed by name wins a tie) until fewer than
// maxFiles remain, so the next file makes at most maxFiles. A failed delete ends the loop.
using FileRemover = std::function<bool(const std::filesystem::path&)>;
PruneResult pruneFolder(const std::filesystem::path& folder, int maxFiles, const FileRemover& remove = {});

// " " + date + " " + time + " UTC " (or " loc. "), formatted with the stamp formats.
std::string stampText(double startTime, std::string_view dateFormat, std::string_view timeFormat, bool localTime);
// Draws the stamp at column 10, 15 rows below the first written row; skipped when it does not fit.
bool drawStamp(storage::TDI8Bitmap& picture, TextMaskRenderer& text, std::string_view stamp);

// The command after reception: program, parameters with "@" replaced by the quoted path, and the
// working folder. Empty when no command is configured.
struct ExternalCommand {
    std::string program;
    std::string parameters;
    std::filesystem::path workingFolder;
};
std::optional<ExternalCommand> commandAfterReception(std::string_view configured, const std::filesystem::path& savedFile,
                                                     const std::filesystem::path& externalProgramsFolder);

// Printing as the picture object does it; the platform provides the real printer.
struct PrintRequest {
    int left = 0, top = 0, right = 0, bottom = 0; // of the written band
    std::string heading;
    bool automaticOrientation = true;
    bool flipHorizontal = false, flipVertical = false;
    float scale = 1.0f;
};
class PicturePrinter {
public:
    virtual ~PicturePrinter() = default;
    virtual bool print(const storage::TDI8Bitmap& picture, const PrintRequest& request) = 0;
};

struct FaxSaveRequest {
    FinishedPicture picture;
    std::string modeName;
    std::int32_t maxPictures = 20;
    bool printInverted = false;
    std::filesystem::path pictureFolder;          // parent of the mode folders
    std::string fileNameTemplate = "@_yyyymmdd_hhnn";
    std::int32_t fileType = 0;
    int jpegQuality = 50;
    bool autoSave = true;
    bool autoPrint = false;
    bool autoPrintOrientation = true;
    bool stamp = false;
    std::string dateFormat = "dd.mm.yyyy", timeFormat = "hh:nn";
    bool localTime = false;
    // A running date-scheduler event: its entry's file name and the schedule file's name.
    bool scheduleRunning = false;
    std::string scheduleEntryFile;
    std::string scheduleFileName;
};

// The request for a finished picture from the station configuration; folders in the record are
// relative to the station folder.
FaxSaveRequest saveRequestFromConfig(const StationConfig& config, const FaxModeRecord& mode,
                                     const FinishedPicture& picture, const std::filesystem::path& stationFolder);

struct FaxSaveResult {
    std::filesystem::path file; // the last saved file as written (also when nothing was written)
    bool written = false;
    PruneResult pruned;
};

FaxSaveResult saveReceivedPicture(const FaxSaveRequest& request, storage::TDI8Bitmap& picture, TextMaskRenderer* text,
                                  PicturePrinter* printer);

// The automatic save thread. It works on its own copy of the picture, so the receiver may clear,
// resize or go on drawing into its picture meanwhile.
class FaxSaveThread {
public:
    ~FaxSaveThread();
    // Waits for a save still running, then starts this one.
    void start(FaxSaveRequest request, storage::TDI8Bitmap picture, TextMaskRenderer* text, PicturePrinter* printer);
    bool running() const { return m_running.load(std::memory_order_acquire); }
    // The result of the finished thread, once.
    std::optional<FaxSaveResult> takeResult();
    void wait();

private:
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::mutex m_mutex;
    std::optional<FaxSaveResult> m_result;
};

} // namespace tellur::fax
