// The commands of the oru tool. Each takes its own arguments (after the command name) and
// returns the process exit status.
#ifndef ORU_TOOLS_ORU_COMMANDS_H_
#define ORU_TOOLS_ORU_COMMANDS_H_

#include <string>
#include <vector>

namespace oru::tool {

int SetupCommand(const std::vector<std::string>& args);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_COMMANDS_H_
