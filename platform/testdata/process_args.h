// The arguments the process tests pass to testdata/args_fixture.cc: blanks, quotes, backslashes
// before quotes and at the end, an empty argument, bytes above 127.
#ifndef ORU_PLATFORM_TESTDATA_PROCESS_ARGS_H_
#define ORU_PLATFORM_TESTDATA_PROCESS_ARGS_H_

namespace oru::platform::testdata {

inline constexpr const char* kProcessArgs[] = {
    "plain", "two words", "", "say \"hi\"", "back\\slash", "ends\\", "ends in space\\",
    "\\\"", "tab\there", "caf\xE9",
};

}  // namespace oru::platform::testdata

#endif  // ORU_PLATFORM_TESTDATA_PROCESS_ARGS_H_
