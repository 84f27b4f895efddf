// The field table of the station configuration record: every setting with its offset, width,
// kind, range and default. The default record, `tellur32-cli config`, and the configuration
// dialog are all driven from this one table, so a setting is described exactly once.
//
// Blocks whose inner layout the record leaves open (SSTV, RTTY window, FAX print/movie/palette,
// text fonts, repeater and beacon) are laid out here; bytes not claimed by any field are kept
// as they are on load and save. Names are the dialog control names where there is one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class StationConfig;

enum class FieldKind : std::uint8_t {
    Int32,
    Int16,
    UInt16,
    UInt8,
    Int8,
    Flag,   // one byte, 0 or 1
    Double,
    Int64,  // fixed point; the unit is in the name (baudE4)
    Text,   // counted string: length byte + capacity characters
};

struct ConfigField {
    std::string_view name;
    std::uint32_t offset = 0;
    std::uint16_t size = 0;      // bytes in the record
    FieldKind kind = FieldKind::Int32;
    // Accepted range for whole and real numbers; hasRange false means any value of the kind.
    bool hasRange = false;
    double min = 0;
    double max = 0;
    bool orZero = false;         // 0 accepted beside [min, max]
    std::int64_t defInt = 0;
    double defReal = 0;
    std::string_view defText;
    std::string_view caption;    // the dialog's caption, where there is one

    std::size_t capacity() const { return kind == FieldKind::Text ? size - 1u : 0u; }
    bool accepts(double v) const { return !hasRange || (v >= min && v <= max) || (orZero && v == 0); }
};

// Every field, in offset order: the fixed settings, then the generated rows (FAX and RTTY mode
// rows, external program entries, quick texts, radio ports, movie formats) under indexed names
// such as "faxMode.3.lpm".
const std::vector<ConfigField>& configFields();
// By name, exactly or without regard to case, else by the dialog's caption without its colon
// ("data rate") when only one field carries it; nullptr otherwise.
const ConfigField* findConfigField(std::string_view name);

// The value as text: numbers in decimal (doubles with up to 17 significant digits), text as is.
std::string fieldValueText(const StationConfig& config, const ConfigField& field);

enum class SetFieldResult { Ok, NotANumber, OutOfRange, TooLong };
// Parses and stores a value; nothing is written unless the result is Ok. Text longer than the
// field is refused rather than cut, so a command line never stores something else than asked.
// Without the range check only the kind's own limits apply (some shipped rows hold 0 where the
// dialog's range starts higher).
SetFieldResult setFieldFromText(StationConfig& config, const ConfigField& field, std::string_view text,
                                bool checkRange = true);
std::string describe(SetFieldResult result, const ConfigField& field);

// Writes the field's default into the record (the generated rows take theirs from the mode tables).
void writeFieldDefault(StationConfig& config, const ConfigField& field);

// A loaded record is only as sound as its file: every field outside the range the dialog enforces
// (or a counted string longer than its field, or a real that is not finite) gets its default, and
// the rest of the record is kept. A field holding its default is always accepted, since some
// shipped rows hold values outside the dialog's range. Returns the names of the fields reset.
std::vector<std::string> resetOutOfRangeFields(StationConfig& config);

} // namespace tellur
