// Groups of indexes: the indexes `oru index` makes of folders that hold more files than one
// index can number, recorded in "<work folder>/groups.ini", one section per group:
//
//   [music]
//   Dir0=/home/u/Music        the folders the group was asked to index, as given to oru index
//   Part1=music               its indexes, in search order; each is an ordinary index with
//   Part2=music.2             its own job file "<part>.job.ini"
//
// Every other command takes the group's name where it takes an index name.
#ifndef ORU_TOOLS_ORU_GROUP_H_
#define ORU_TOOLS_ORU_GROUP_H_

#include <string>
#include <vector>

namespace oru::tool {

struct IndexGroup {
  std::string name;
  std::vector<std::string> folders;  // without a trailing separator
  std::vector<std::string> parts;    // index names, the first one the group's own name
};

// "<work>/groups.ini".
std::string GroupsFilePath(const std::string& work);
// Every group recorded in the work folder, in file order.
std::vector<IndexGroup> ReadGroups(const std::string& work);
// The group `name`; false when none is recorded.
bool FindGroup(const std::string& work, const std::string& name, IndexGroup* group);
// Records `group` in place of any group of that name (with no parts: removes it). The file is
// written whole and renamed into place. False with a one-line reason in `error`.
bool WriteGroup(const std::string& work, const IndexGroup& group, std::string* error);

// The indexes `name` stands for: the parts of the group `name`, or `name` alone.
std::vector<std::string> IndexesOf(const std::string& work, const std::string& name);
// The indexes of the work folder as the commands list them: each group once (by its name),
// then each index that belongs to no group, by name. `parts` receives, for each entry, the
// indexes it stands for.
std::vector<std::string> ListIndexNames(const std::string& work,
                                        std::vector<std::vector<std::string>>* parts);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_GROUP_H_
