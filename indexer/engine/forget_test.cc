// What an update forgets, over many random rounds of edits, deletions and additions: after each
// update the index finds, for every word, the files a fresh pass over the same files finds, and
// no number is given to two files. The passes run on plug-ins and an index folder held in
// memory.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/support/memory_pass.h"

namespace oru {
namespace {

using ForgetTest = testing::MemoryPassTest;

TEST_F(ForgetTest, AfterAnyEditsAnUpdateFindsWhatAFreshPassFinds) {
  const std::vector<std::string> vocabulary = {"amber", "birch", "cedar", "delta", "ember",
                                               "fjord", "grove", "heron", "inlet", "juniper"};
  std::mt19937 random(20261208);
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  // A text of a few words, stamped in 2020 with a time of its round, so that every edit shows.
  const auto write = [&](const std::string& name, int round) {
    std::string text;
    for (size_t n = 1 + pick(4); n > 0; --n) text += vocabulary[pick(vocabulary.size())] + " ";
    Write(name, text, testing::OldTime(static_cast<uint32_t>(round)));
  };
  std::vector<std::string> present;
  for (int f = 0; f < 6; ++f) write(present.emplace_back("f" + std::to_string(f) + ".txt"), 0);
  ASSERT_EQ(Pass(false), kRunOk);
  std::map<uint16_t, std::string> numbered;  // every number given, and to which file
  int next_name = 6;
  for (int round = 1; round <= 30; ++round) {
    for (size_t edits = 1 + pick(3); edits > 0; --edits) {
      const size_t what = pick(3);
      if (what == 0 && !present.empty()) {  // a file is deleted
        const size_t victim = pick(present.size());
        plugins_.files.erase(corpus_ + present[victim]);
        present.erase(present.begin() + static_cast<std::ptrdiff_t>(victim));
      } else if (what == 1 && !present.empty()) {  // a file is edited
        write(present[pick(present.size())], round);
      } else {  // a file is added
        write(present.emplace_back("f" + std::to_string(next_name++) + ".txt"), round);
      }
    }
    // A folder left empty cannot be walked: the job's folder keeps one file that never changes.
    Write("keep.txt", "steady");
    ASSERT_EQ(Pass(true), kRunOk) << "round " << round;
    ASSERT_EQ(Pass(false, "fresh"), kRunOk);
    const testing::DecodedIndex updated = Decode("test");
    EXPECT_EQ(testing::FilesByWord(updated), testing::FilesByWord(Decode("fresh")))
        << "round " << round;
    EXPECT_EQ(updated.files.size(), present.size() + 1);
    for (const auto& file : updated.files) {
      const auto given = numbered.emplace(file.number, file.path).first;
      EXPECT_EQ(given->second, file.path) << "number " << file.number << " given twice";
    }
  }
}

}  // namespace
}  // namespace oru
