// A program for the process tests. Exits with 0 when its arguments are exactly kProcessArgs,
// with 100 + the number of arguments when their count differs, and with 1 + the index of the
// first argument that differs otherwise.
#include <cstring>
#include <iterator>

#include "platform/testdata/process_args.h"

int main(int argc, char** argv) {
  using oru::platform::testdata::kProcessArgs;
  const int expected = static_cast<int>(std::size(kProcessArgs));
  if (argc - 1 != expected) return 100 + argc - 1;
  for (int i = 0; i < expected; ++i) {
    if (std::strcmp(argv[i + 1], kProcessArgs[i]) != 0) return 1 + i;
  }
  return 0;
}
