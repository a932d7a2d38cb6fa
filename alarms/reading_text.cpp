#include "alarms/reading_text.h"

#include <charconv>
#include <clocale>
#include <iterator>
#include <locale>
#include <sstream>

#include <boost/lexical_cast.hpp>

namespace alarms {

namespace {

constexpr int stream_precision = 6;   // std::ios_base's default
constexpr int lexical_precision = 9;  // enough digits to give a float back unchanged

// to_chars writes as printf does in the "C" locale. A new stream takes the
// global C++ locale and lexical_cast's printf the C library's; when either
// has been changed to one with another decimal point or digit grouping, the
// reading goes the slow way so the text stays exactly what it always was.
bool streams_write_classic_numbers() { return std::locale() == std::locale::classic(); }

bool c_library_writes_point()
{
    const char* point = std::localeconv()->decimal_point;
    return point[0] == '.' && point[1] == '\0';
}

template <class Number>
void append_general(std::string& text, Number value, int precision)
{
    // "-1.17549435e-38" is the longest a float gets at nine digits.
    char digits[32];
    const std::to_chars_result written =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::general, precision);
    text.append(digits, written.ptr);
}

}  // namespace

void append_stream_float(std::string& text, float value)
{
    if (streams_write_classic_numbers()) {
        // A stream widens the float to double before printing it. On MIPS
        // that turns every NaN into the FPU's default NaN, which has no
        // sign, so the reading must be widened the same way.
        append_general(text, static_cast<double>(value), stream_precision);
        return;
    }
    std::ostringstream stream;
    stream << value;
    text += stream.str();
}

void append_lexical_float(std::string& text, float value)
{
    if (c_library_writes_point()) {
        // lexical_cast writes NaN and infinity itself from the float's own
        // sign, so here the float is not widened.
        append_general(text, value, lexical_precision);
        return;
    }
    text += boost::lexical_cast<std::string>(value);
}

}  // namespace alarms
