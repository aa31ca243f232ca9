#pragma once
// The one sink for the lines the library prints (diagnostics), standard error by default.
// Tests replace it to capture what is printed.

#include <functional>
#include <string_view>

namespace foundation {

using OutputSink = std::function<void(std::string_view line)>;

// Prints one line (a newline is added) through the current sink.
void printLine(std::string_view line);

// Replaces the sink and returns the previous one; an empty sink restores standard
// error.
OutputSink setOutputSink(OutputSink sink);

}  // namespace foundation
