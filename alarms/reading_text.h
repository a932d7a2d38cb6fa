// Readings written into alarm detail texts. The texts read as a float put
// through an output stream with its default format (six significant digits)
// or through boost::lexical_cast (nine). Both come down to printf's "%g";
// std::to_chars writes the same characters without building a stream or a
// string per reading, which makes these texts the cheapest part of a round
// instead of the dearest.
#pragma once

#include <string>

namespace alarms {

// Appends what `stream << value` writes to a stream in default format.
void append_stream_float(std::string& text, float value);
// Appends what boost::lexical_cast<std::string>(value) answers.
void append_lexical_float(std::string& text, float value);

}  // namespace alarms
