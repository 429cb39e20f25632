// Groups of indexes: the indexes `oru index` makes of folders that hold more files than one
// index can number, recorded in "<work folder>/groups.ini", one section per group:
//
//   [music]
//   Dir0=/home/u/Music        the folders the group was asked to index, as given to oru index
//   Part1=music               its indexes, in search order; each is an ordinary index with
//   Part2=music.2             its own job file "<part>.job.ini"
//   Pending1=music.4          indexes a run of oru index is building for a new layout; they
//                             become parts only when all are complete (a killed run's are
//                             removed by the next run of the group)
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
  std::vector<std::string> parts;    // index names, in search order
  std::vector<std::string> pending;  // indexes being built for a new layout, not yet parts
};

// "<work>/groups.ini".
std::string GroupsFilePath(const std::string& work);
// Every group recorded in the work folder, in file order, those with pending indexes only
// included.
std::vector<IndexGroup> ReadGroups(const std::string& work);
// The group `name`; false when none is recorded or it has no parts yet.
bool FindGroup(const std::string& work, const std::string& name, IndexGroup* group);
// The record of the group `name`, also when it has pending indexes only; false when none.
bool FindGroupRecord(const std::string& work, const std::string& name, IndexGroup* group);
// Records `group` in place of any group of that name (with neither parts nor pending indexes:
// removes it). The file is changed under its lock and written whole. False with a one-line
// reason in `error`.
bool WriteGroup(const std::string& work, const IndexGroup& group, std::string* error);

// The indexes `name` stands for: the parts of the group `name`, or `name` alone.
std::vector<std::string> IndexesOf(const std::string& work, const std::string& name);
// The indexes of the work folder as the commands list them: each group once (by its name),
// then each index that belongs to no group and bears no group's name, by name. `parts` receives, for each entry, the
// indexes it stands for.
std::vector<std::string> ListIndexNames(const std::string& work,
                                        std::vector<std::vector<std::string>>* parts);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_GROUP_H_
