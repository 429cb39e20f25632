// A command line of arguments, quoted so that the C runtime (and CommandLineToArgvW) parses the
// same arguments back: for starting programs and for the commands the system stores (a Run key).
#ifndef ORU_PLATFORM_WIN32_COMMAND_LINE_H_
#define ORU_PLATFORM_WIN32_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace oru::platform {

// Appends `arg` to `line`: as it is, or in quotes when it is empty or holds a blank or quote
// (backslashes doubled only before a quote).
void AppendQuoted(const std::string& arg, std::string* line);
// The arguments, each as AppendQuoted gives it, separated by blanks.
std::string CommandLine(const std::vector<std::string>& argv);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_WIN32_COMMAND_LINE_H_
