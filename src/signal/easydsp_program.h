// The line rules of a DSP program file (.LOD) as it goes to an EasyDSP in the VIREO position:
// every line in upper case; a "_SYMBOL" section is skipped up to the next line with "_DATA" or
// "_END"; an "_END" line loses its trailing characters that are not hexadecimal digits. Lines
// are sent without line ends, so the reader hands them out one by one together with the
// progress (bytes of the file consumed, a line end counted as 2).
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace tellur::signal {

class EasyDspProgramReader {
public:
    explicit EasyDspProgramReader(std::istream& in) : m_in(in) { }

    // The next line to send; false at the end of the file.
    bool next(std::string& line);
    std::int64_t consumed() const { return m_consumed; }
    bool failed() const { return m_in.bad(); }

private:
    bool readLine(std::string& line);

    std::istream& m_in;
    std::int64_t m_consumed = 0;
};

} // namespace tellur::signal
