// The commands of the oru tool. Each takes its own arguments (after the command name), prints
// its results on standard output and its errors as one line on standard error, and returns the
// process exit status.
#ifndef ORU_TOOLS_ORU_COMMANDS_H_
#define ORU_TOOLS_ORU_COMMANDS_H_

#include <string>
#include <vector>

namespace oru::tool {

// Exit statuses shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNothing = 1;  // ran, but found nothing or wrote no index
inline constexpr int kExitError = 2;    // bad arguments, or the command could not do its work
inline constexpr int kExitIncomplete = 3;  // a group of indexes is not whole: not searched

int SetupCommand(const std::vector<std::string>& args);
int IndexCommand(const std::vector<std::string>& args);
int SearchCommand(const std::vector<std::string>& args);
int StatusCommand(const std::vector<std::string>& args);
int WatchCommand(const std::vector<std::string>& args);

// Prints "oru: <message>" on standard error and returns kExitError.
int Fail(const std::string& message);
// True for "--help" and "-h".
bool IsHelp(const std::string& arg);
// For an argument a command does not take: the usage on standard output and kExitOk after
// "--help", else a one-line complaint pointing at "oru COMMAND --help" and kExitError.
int HelpOrUsageError(const std::string& arg, const char* usage, const char* command);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_COMMANDS_H_
