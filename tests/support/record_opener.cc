// A stand-in for the desktop's opener in tests of the search window: appends its argument, one
// line, to the file named by ORU_TEST_OPENED, and ends.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* record = std::getenv("ORU_TEST_OPENED");
  if (record == nullptr || argc < 2) return 2;
  std::FILE* file = std::fopen(record, "ab");
  if (file == nullptr) return 1;
  std::fprintf(file, "%s\n", argv[1]);
  return std::fclose(file) == 0 ? 0 : 1;
}
