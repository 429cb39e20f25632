#include "platform/dynlib.h"

#include <gtest/gtest.h>

#include <utility>

namespace oru::platform {
namespace {

using IntFn = int (*)();
using TwiceFn = int (*)(int);

const char kFixture[] = ORU_DYNLIB_FIXTURE;  // absolute path of the test library

TEST(DynlibTest, BindsExportsByTheirExactNames) {
  LibraryHandle lib = LoadLibrary(kFixture);
  ASSERT_NE(lib, nullptr) << LastLoadError();
  auto answer = reinterpret_cast<IntFn>(FindExport(lib, "_Answer"));
  auto twice = reinterpret_cast<TwiceFn>(FindExport(lib, "_Twice"));
  ASSERT_NE(answer, nullptr);
  ASSERT_NE(twice, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(twice(21), 42);
  EXPECT_EQ(FindExport(lib, "Answer"), nullptr);  // the underscore is part of the name
  EXPECT_EQ(FindExport(lib, "_answer"), nullptr);
  EXPECT_EQ(FindExport(lib, "_Missing"), nullptr);
  EXPECT_FALSE(LastLoadError().empty());
  EXPECT_EQ(FindExport(lib, "NotExported"), nullptr);  // built hidden
  EXPECT_EQ(FindExport(nullptr, "_Answer"), nullptr);
  FreeLibrary(lib);
  FreeLibrary(nullptr);
}

TEST(DynlibTest, MissingLibraryGivesNull) {
  EXPECT_EQ(LoadLibrary("/nonexistent/folder/NoSuch.so"), nullptr);
  EXPECT_FALSE(LastLoadError().empty());
  EXPECT_EQ(LoadLibrary(""), nullptr);
}

// _Bump counts from 1 in a freshly loaded copy, so 1 after a reload shows an unload.
TEST(DynlibTest, LibraryReleasesItsLoadOnDestructionAndMove) {
  {
    Library a(LoadLibrary(kFixture));
    ASSERT_TRUE(a.loaded());
    EXPECT_EQ(a.Find<IntFn>("_Bump")(), 1);
    EXPECT_EQ(a.Find<IntFn>("_Bump")(), 2);
    Library b(std::move(a));
    EXPECT_FALSE(a.loaded());
    EXPECT_EQ(b.Find<IntFn>("_Bump")(), 3);
    Library c(LoadLibrary(kFixture));  // a second load of the same library
    b = std::move(c);                  // releases one of the two loads
    EXPECT_EQ(b.Find<IntFn>("_Bump")(), 4);
  }
  Library again(LoadLibrary(kFixture));
  ASSERT_TRUE(again.loaded());
  EXPECT_EQ(again.Find<IntFn>("_Bump")(), 1);
  EXPECT_EQ(again.Find<IntFn>("_Missing"), nullptr);
}

}  // namespace
}  // namespace oru::platform
