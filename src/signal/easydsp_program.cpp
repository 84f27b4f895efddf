#include "signal/easydsp_program.h"

#include <cctype>

namespace tellur::signal {

namespace {
bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool has(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }
} // namespace

bool EasyDspProgramReader::readLine(std::string& line)
{
    if (!std::getline(m_in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    for (char& c : line)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    m_consumed += static_cast<std::int64_t>(line.size()) + 2;
    return true;
}

bool EasyDspProgramReader::next(std::string& line)
{
    if (!readLine(line))
        return false;
    if (has(line, "_SYMBOL")) {
        do {
            if (!readLine(line))
                return false;
        } while (!has(line, "_DATA") && !has(line, "_END"));
    }
    if (has(line, "_END"))
        while (!line.empty() && !isHexDigit(line.back()))
            line.pop_back();
    return true;
}

} // namespace tellur::signal
