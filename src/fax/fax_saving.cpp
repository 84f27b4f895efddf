#include "fax/fax_saving.h"

#include "core/config_file.h"
#include "core/station_config.h"
#include "fax/fax_header.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace tellur::fax {

namespace fs = std::filesystem;

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string sub(std::string_view s, std::size_t from, std::size_t n)
{
    return from < s.size() ? std::string(s.substr(from, n)) : std::string();
}

} // namespace

std::string expandFileNameTemplate(std::string_view tmpl, std::string_view namePart, std::string_view date8,
                                   std::string_view time4)
{
    const std::string t = upper(trimmed(tmpl));
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        const std::string_view rest = std::string_view(t).substr(i);
        if (rest[0] == '@') {
            out += namePart;
            i += 1;
        } else if (rest.starts_with("YYYY")) {
            out += sub(date8, 0, 4);
            i += 4;
        } else if (rest.starts_with("YY")) {
            out += sub(date8, 2, 2);
            i += 2;
        } else if (rest.starts_with("MM")) {
            out += sub(date8, 4, 2);
            i += 2;
        } else if (rest.starts_with("DD")) {
            out += sub(date8, 6, 2);
            i += 2;
        } else if (rest.starts_with("HH")) {
            out += sub(time4, 0, 2);
            i += 2;
        } else if (rest.starts_with("NN")) {
            out += sub(time4, 2, 2);
            i += 2;
        } else {
            out += rest[0];
            i += 1;
        }
    }
    return out;
}

std::string pictureFileName(std::string_view tmpl, const FinishedPicture& picture, std::string_view modeName,
                            std::string_view explicitName)
{
    std::string name;
    if (!explicitName.empty())
        name = explicitName;
    else if (!picture.headerText.empty())
        name = trimmed(picture.formatCode);
    else
        name = modeName;
    std::string date = formatStationTime(picture.startTime, "yyyymmdd");
    std::string time = formatStationTime(picture.startTime, "hhnn");
    if (!picture.headerText.empty() && picture.headerDate.size() == 6 && picture.headerTime.size() == 4) {
        date = "20" + picture.headerDate;
        time = picture.headerTime;
    }
    return expandFileNameTemplate(tmpl, name, date, time);
}

std::string_view faxFileExtension(std::int32_t fileType)
{
    static constexpr std::string_view kTypes[] = {"PNG", "PCX", "BMP", "JPG"};
    return fileType >= 0 && fileType < 4 ? kTypes[fileType] : kTypes[0];
}

std::string saveDialogFilter()
{
    std::string f;
    for (int t = 0; t < 4; ++t) {
        const std::string ext(faxFileExtension(t));
        f += ext + "|*." + ext + "|";
    }
    f.pop_back();
    return f;
}

fs::path saveDialogProposal(const fs::path& pictureFolder, std::string_view modeName, double startTime)
{
    return pictureFolder / std::string(modeName) / formatStationTime(startTime, "mmddhhnn");
}

bool saveDialogWritable(const fs::path& chosen)
{
    const std::string name = chosen.filename().string();
    if (name.size() < 3)
        return false;
    const std::string ext = upper(name.substr(name.size() - 3));
    return ext == "JPG" || ext == "PNG" || ext == "BMP" || ext == "PCX" || ext == "TIF";
}

PruneResult pruneFolder(const fs::path& folder, int maxFiles, const FileRemover& remove)
{
    PruneResult result;
    for (;;) {
        std::vector<fs::path> files;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                files.push_back(it->path());
        if (static_cast<int>(files.size()) < maxFiles || files.empty())
            return result;
        std::sort(files.begin(), files.end());
        const fs::path* oldest = nullptr;
        fs::file_time_type oldestTime{};
        for (const auto& f : files) {
            const auto t = fs::last_write_time(f, ec);
            if (ec)
                continue;
            if (!oldest || t < oldestTime) {
                oldest = &f;
                oldestTime = t;
            }
        }
        const bool removed = oldest && (remove ? remove(*oldest) : (fs::remove(*oldest, ec) && !ec));
        if (!removed) {
            // Without this the folder would never shrink and the loop would spin for ever.
            result.stoppedOnFailure = true;
            return result;
        }
        ++result.deleted;
    }
}

std::string stampText(double startTime, std::string_view dateFormat, std::string_view timeFormat, bool localTime)
{
    const std::string date = formatStationTime(startTime, dateFormat.empty() ? "yyyymmdd" : dateFormat);
    const std::string time = formatStationTime(startTime, timeFormat.empty() ? "hhnn" : timeFormat);
    return " " + date + " " + time + (localTime ? " loc. " : " UTC ");
}

bool drawStamp(storage::TDI8Bitmap& picture, TextMaskRenderer& text, std::string_view stamp)
{
    if (!picture.hasWrittenRows())
        return false;
    const TextMask mask = text.render(stamp, FontSpec{.family = "Arial", .pointSize = 16, .bold = true});
    const int w = std::min(mask.width, 351), h = std::min(mask.height, 40);
    const int x = 10, y = picture.lowestWrittenRow() + 15;
    if (w <= 0 || h <= 0 || x + w > picture.width() || y + h > picture.fullHeight())
        return false;
    // White text on black: every pixel the text touches becomes 255, the rest of the box 0.
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            picture.setPixel(x + c, y + r, mask.at(c, r) != 0 ? 255 : 0);
    return true;
}

std::optional<ExternalCommand> commandAfterReception(std::string_view configured, const fs::path& savedFile,
                                                     const fs::path& externalProgramsFolder)
{
    const std::string cmd = trimmed(configured);
    if (cmd.empty())
        return std::nullopt;
    ExternalCommand out;
    const auto blank = cmd.find(' ');
    out.program = cmd.substr(0, blank);
    const std::string params = blank == std::string::npos ? std::string() : cmd.substr(blank);
    const std::string quoted = "\"" + savedFile.string() + "\"";
    for (char c : params) {
        if (c == '@')
            out.parameters += quoted;
        else
            out.parameters += c;
    }
    const fs::path prog(out.program);
    out.workingFolder = prog.has_parent_path() ? prog.parent_path() : externalProgramsFolder;
    return out;
}

FaxSaveRequest saveRequestFromConfig(const StationConfig& config, const FaxModeRecord& mode,
                                     const FinishedPicture& picture, const fs::path& stationFolder)
{
    FaxSaveRequest r;
    r.picture = picture;
    r.modeName = mode.name.str();
    r.maxPictures = mode.maxPictures;
    r.printInverted = mode.printInverted != 0;
    r.jpegQuality = config.u8(cfg::kJpegQuality);
    r.pictureFolder = folderPath(config, StationFolder::FaxLastReceived, stationFolder);
    r.dateFormat = config.str(cfg::kDateStampFormat, cfg::kStampFormatCapacity);
    r.timeFormat = config.str(cfg::kTimeStampFormat, cfg::kStampFormatCapacity);
    r.localTime = config.useLocalTime();
    r.autoPrint = config.flag(cfg::kFaxAutoPrint);
    r.autoSave = config.flag(cfg::kFaxAutoSave);
    r.stamp = config.flag(cfg::kFaxTimestamp);
    r.fileNameTemplate = config.str(cfg::kFaxFileNameFormat, cfg::kFaxFileNameFormatCapacity);
    r.fileType = config.i32(cfg::kFaxFileType);
    r.autoPrintOrientation = config.flag(cfg::kFaxAutoPrintOrientation);
    return r;
}

FaxSaveResult saveReceivedPicture(const FaxSaveRequest& req, storage::TDI8Bitmap& picture, TextMaskRenderer* text,
                                  PicturePrinter* printer)
{
    FaxSaveResult result;
    picture.jpegQuality = static_cast<std::uint16_t>(req.jpegQuality);
    // The writer goes by the extension in any case; lower case is what file managers expect here.
    std::string ext(faxFileExtension(req.fileType));
    for (auto& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    fs::path folder;
    std::string explicitName;
    if (req.scheduleRunning) {
        std::string entry = req.scheduleEntryFile;
        std::replace(entry.begin(), entry.end(), '\\', '/');
        const fs::path entryPath(trimmed(entry));
        folder = entryPath.has_parent_path() ? entryPath.parent_path()
                                             : req.pictureFolder / fs::path(req.scheduleFileName).stem();
        explicitName = entryPath.filename().string();
    } else {
        folder = req.pictureFolder / req.modeName;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    result.pruned = pruneFolder(folder, std::max(req.maxPictures, 1));
    const std::string name = pictureFileName(req.fileNameTemplate, req.picture, req.modeName, explicitName);
    result.file = folder / (name + "." + ext);
    if (req.autoSave) {
        if (req.stamp && text && req.picture.startTime != 0.0)
            drawStamp(picture, *text, stampText(req.picture.startTime, req.dateFormat, req.timeFormat, req.localTime));
        // Two pictures ending in the same minute share a name: the later one gets a suffix.
        if (const auto placed = picture.saveAsNew(result.file)) {
            result.file = *placed;
            result.written = true;
        }
    }
    if (req.autoPrint && printer) {
        PrintRequest pr;
        pr.right = picture.width();
        pr.bottom = std::max(req.picture.lines, 1);
        pr.heading = result.file.string();
        pr.automaticOrientation = req.autoPrintOrientation;
        auto invert = [&] {
            for (int i = 0; i < 256; ++i)
                picture.setColour(i, picture.getColour(i) ^ 0xFFFFFFu);
        };
        if (req.printInverted)
            invert();
        printer->print(picture, pr);
        if (req.printInverted)
            invert();
    }
    return result;
}

FaxSaveThread::~FaxSaveThread()
{
    wait();
}

void FaxSaveThread::start(FaxSaveRequest request, storage::TDI8Bitmap picture, TextMaskRenderer* text,
                          PicturePrinter* printer)
{
    wait();
    m_running.store(true, std::memory_order_release);
    m_thread = std::thread([this, req = std::move(request), picture = std::move(picture), text, printer]() mutable {
        FaxSaveResult r = saveReceivedPicture(req, picture, text, printer);
        {
            std::lock_guard lock(m_mutex);
            m_result = std::move(r);
        }
        m_running.store(false, std::memory_order_release);
    });
}

std::optional<FaxSaveResult> FaxSaveThread::takeResult()
{
    std::lock_guard lock(m_mutex);
    auto r = std::move(m_result);
    m_result.reset();
    return r;
}

void FaxSaveThread::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace tellur::fax
