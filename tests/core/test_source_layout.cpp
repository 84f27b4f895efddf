// The source tree keeps its layers: a folder includes only folders before it, the engine never
// sees Qt, and configuration offsets are written as numbers only where the record is laid out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Lowest first; "app" covers app/, app/cli/ and app/ui/.
constexpr std::array<std::string_view, 18> kLayers{
    "core", "settings", "signal", "storage", "fax", "sstv", "text", "station", "platform", "ui",
    "settings/ui", "signal/ui", "storage/ui", "fax/ui", "sstv/ui", "text/ui", "station/ui", "app"};
constexpr std::size_t kFirstNonEngine = 8; // platform

const fs::path kSrc = fs::path(TELLUR_SOURCE_DIR) / "src";

std::string folderOf(const std::string& relative)
{
    const auto slash = relative.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string{} : relative.substr(0, slash);
    return folder.rfind("app", 0) == 0 ? "app" : folder;
}

int layerOf(const std::string& folder)
{
    const auto it = std::find(kLayers.begin(), kLayers.end(), folder);
    return it == kLayers.end() ? -1 : int(it - kLayers.begin());
}

struct SourceFile {
    std::string relative; // below src/
    std::string text;
};

std::vector<SourceFile> sources(const fs::path& root)
{
    std::vector<SourceFile> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const auto ext = e.path().extension();
        if (!e.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        std::ifstream in(e.path());
        out.push_back({fs::relative(e.path(), root).generic_string(),
                       std::string(std::istreambuf_iterator<char>(in), {})});
    }
    return out;
}

// Violations of the checks on one file; empty when it keeps the rules.
std::vector<std::string> layoutViolations(const SourceFile& f)
{
    std::vector<std::string> out;
    const int own = layerOf(folderOf(f.relative));
    if (own < 0) {
        out.push_back(f.relative + ": folder is in no layer");
        return out;
    }
    static const std::regex include(R"(#include\s*([<"])([^>"]+)[>"])");
    for (auto it = std::sregex_iterator(f.text.begin(), f.text.end(), include); it != std::sregex_iterator(); ++it) {
        const std::string target = (*it)[2];
        if ((*it)[1] == "<") {
            if (own < int(kFirstNonEngine) && (target.rfind("Q", 0) == 0 || target.rfind("qt", 0) == 0))
                out.push_back(f.relative + ": engine file includes <" + target + ">");
            continue;
        }
        const int theirs = layerOf(folderOf(target));
        if (theirs < 0 || theirs > own)
            out.push_back(f.relative + ": includes \"" + target + "\" from a later layer");
    }
    // A record accessor called with a literal offset (config.u8(6220), setStr(40, ...)).
    static const std::regex literalOffset(
        R"(\.(i32|u8|i8|flag|u16|i64|f64|f32|str|setI32|setU8|setFlag|setU16|setI64|setF64|setF32|setStr)\(\s*[0-9])");
    const bool laysOutRecord = f.relative.rfind("settings/", 0) == 0 || f.relative == "core/station_config.h";
    if (!laysOutRecord && std::regex_search(f.text, literalOffset))
        out.push_back(f.relative + ": record offset written as a number");
    return out;
}

TEST(SourceLayout, EveryFileKeepsItsLayer)
{
    const auto files = sources(kSrc);
    ASSERT_FALSE(files.empty());
    std::vector<std::string> problems;
    for (const auto& f : files)
        for (auto& p : layoutViolations(f))
            problems.push_back(std::move(p));
    std::string all;
    for (const auto& p : problems)
        all += p + "\n";
    EXPECT_TRUE(problems.empty()) << all;
}

TEST(SourceLayout, TheChecksCatchEachKindOfBreach)
{
    struct Case {
        SourceFile file;
        bool breach;
    };
    const Case cases[] = {
        {{"core/x.cpp", "#include \"fax/fax_receiver.h\"\n"}, true},
        {{"core/x.cpp", "#include \"ui/myform.h\"\n"}, true},
        {{"core/x.cpp", "#include \"settings/config_fields.h\"\n"}, true},
        {{"fax/x.cpp", "#include \"settings/fax_mode_table.h\"\n#include \"signal/resampler.h\"\n"}, false},
        {{"signal/x.cpp", "#include <QString>\n"}, true},
        {{"platform/x.cpp", "#include <QString>\n"}, false},
        {{"fax/ui/x.cpp", "#include \"app/ui/hauptformular.h\"\n"}, true},
        {{"fax/ui/x.cpp", "#include \"ui/receive_window_host.h\"\n"}, false},
        {{"app/ui/x.cpp", "#include \"fax/ui/fax_rx_win.h\"\n"}, false},
        {{"fax/x.cpp", "r.autoSave = config.flag(6221);\n"}, true},
        {{"fax/x.cpp", "r.autoSave = config.flag(cfg::kFaxAutoSave);\n"}, false},
        {{"settings/x.cpp", "c.setStr(40, 15, \"X\");\n"}, false},
        {{"widgets/x.cpp", ""}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!layoutViolations(c.file).empty(), c.breach) << c.file.relative << ": " << c.file.text;
}

} // namespace
