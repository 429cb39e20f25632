#include "platform/window_message.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/scoped_env.h"
#include "platform/test_folder.h"

#ifdef _WIN32
#include "platform/win32/win_api.h"
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace oru::platform {
namespace {

constexpr char kClass[] = "TfMainQuery";
constexpr char kTitle[] = "Trovella 1.2";

#ifdef _WIN32
// A message number is a 32-bit UINT on Windows (one in the WM_APP range here); wParam and
// lParam are 64 bits wide, as on POSIX.
constexpr int64_t kOddNumber = 0xBFFF;
#else
constexpr int64_t kOddNumber = -2;
#endif

#ifndef _WIN32
// A bare datagram socket bound (or, with `bind_it` false, connected) at `path`.
int RawSocket(const std::string& path, bool bind_it) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  EXPECT_EQ(bind_it ? bind(fd, raw, sizeof(address)) : connect(fd, raw, sizeof(address)), 0);
  return fd;
}
#endif

// The title the tests' windows get. POSIX: the search tool's own, each test having its own
// runtime folder. Windows: window names are shared by the whole desktop, so the title carries
// the process number, and test programs run side by side do not see each other's windows.
std::string TestTitle() {
#ifdef _WIN32
  return std::string(kTitle) + " " + std::to_string(GetCurrentProcessId());
#else
  return kTitle;
#endif
}

class WindowMessageTest : public ::testing::Test {
 protected:
  TestFolder temp_;
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.path().c_str()};
  const std::string socket_ = temp_.Path("TfMainQuery.Trovella 1.2");
  const std::string title_ = TestTitle();
};

TEST_F(WindowMessageTest, SearchWindowReceivesTheIndexedNotification) {
  MessageWindow window;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kOk);
  WindowRef ref = WindowRef::Find(kClass, title_);
  ASSERT_TRUE(ref.found());
  ref.Post({20924, 1, 0});
  ref.Post({kOddNumber, INT64_MIN, INT64_MAX});
  for (int i = 0; i < 10000; ++i) ref.Post({0, 0, 0});  // a full queue never blocks
  WindowMessage message;
  ASSERT_TRUE(window.Receive(&message, 5000));
  EXPECT_EQ(message.number, 20924);
  EXPECT_EQ(message.wparam, 1);
  EXPECT_EQ(message.lparam, 0);
  ASSERT_TRUE(window.Receive(&message, 5000));
  EXPECT_EQ(message.number, kOddNumber);
  EXPECT_EQ(message.wparam, INT64_MIN);
  EXPECT_EQ(message.lparam, INT64_MAX);

  window.Close();
  EXPECT_FALSE(std::filesystem::exists(socket_));
  EXPECT_FALSE(WindowRef::Find(kClass, title_).found());
  ref.Post({20924, 0, 0});  // the window went away: ignored
}

TEST_F(WindowMessageTest, ReceiveWaitsAtMostTheTimeout) {
  MessageWindow window;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kOk);
  WindowMessage message;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(window.Receive(&message, 100));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(100));
  EXPECT_LT(waited, std::chrono::seconds(30));
  EXPECT_FALSE(WindowRef::Find(kClass, title_ + " other").found());  // the title must match
  EXPECT_FALSE(WindowRef::Find("TfMain", title_).found());  // and so must the class
}

#ifdef _WIN32
TEST_F(WindowMessageTest, WindowsReceiverIsAHiddenTopLevelWindowFindWindowFinds) {
  MessageWindow window;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kOk);
  HWND found = FindWindowA(kClass, title_.c_str());
  ASSERT_NE(found, nullptr);
  EXPECT_FALSE(IsWindowVisible(found));
  // A message posted with the plain Win32 call arrives as it was posted.
  ASSERT_TRUE(PostMessageA(found, 20924, 1, 0));
  WindowMessage message;
  ASSERT_TRUE(window.Receive(&message, 5000));
  EXPECT_EQ(message.number, 20924);
  EXPECT_EQ(message.wparam, 1);
}
#else

TEST_F(WindowMessageTest, DatagramIsThreeLittleEndianInt64) {
  int fd = RawSocket(socket_, true);
  WindowRef::Find(kClass, title_).Post({0x51BC, -1, 0x0102030405060708});
  uint8_t bytes[32];
  ASSERT_EQ(recv(fd, bytes, sizeof(bytes), 0), 24);
  close(fd);
  const uint8_t expected[24] = {0xBC, 0x51, 0,    0,    0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 8, 7, 6, 5, 4,    3,    2,    1};
  EXPECT_EQ(std::memcmp(bytes, expected, 24), 0);
}

TEST_F(WindowMessageTest, ReceiveSkipsDatagramsOfTheWrongSize) {
  MessageWindow window;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kOk);
  int fd = RawSocket(socket_, false);
  uint8_t bytes[25] = {7};
  for (size_t size : {23, 25, 24}) EXPECT_EQ(send(fd, bytes, size, 0), ssize_t(size));
  close(fd);
  WindowMessage message;
  ASSERT_TRUE(window.Receive(&message, 5000));
  EXPECT_EQ(message.number, 7);
  EXPECT_FALSE(window.Receive(&message, 10));
}

TEST_F(WindowMessageTest, StaleSocketIsNotFoundAndIsReplacedByCreate) {
  EXPECT_FALSE(WindowRef::Find(kClass, title_).found());
  close(RawSocket(socket_, true));  // left behind by a window that died
  EXPECT_FALSE(WindowRef::Find(kClass, title_).found());
  MessageWindow window;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kOk);
  EXPECT_TRUE(WindowRef::Find(kClass, title_).found());
}

#endif  // _WIN32

TEST_F(WindowMessageTest, SecondWindowOfTheSameNameGetsExists) {
  MessageWindow first, second;
  ASSERT_EQ(MessageWindow::Create(kClass, title_, &first), Result::kOk);
  EXPECT_EQ(MessageWindow::Create(kClass, title_, &second), Result::kExists);
  EXPECT_EQ(MessageWindow::Create(kClass, title_ + " other", &second), Result::kOk);
  second.Close();
  EXPECT_TRUE(WindowRef::Find(kClass, title_).found());  // the live one is still there
}

#ifndef _WIN32

TEST_F(WindowMessageTest, CreateFailsOnAFolderANameWithSlashOrATooLongPath) {
  MessageWindow window;
  ASSERT_EQ(mkdir(socket_.c_str(), 0700), 0);
  EXPECT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kFailed);
  EXPECT_EQ(MessageWindow::Create(kClass, "a/b", &window), Result::kFailed);
  std::string deep = temp_.Path(std::string(100, 'd'));
  ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
  ScopedEnv runtime("XDG_RUNTIME_DIR", deep.c_str());
  EXPECT_EQ(MessageWindow::Create(kClass, title_, &window), Result::kFailed);
  EXPECT_FALSE(WindowRef::Find(kClass, title_).found());
}

#endif  // _WIN32

}  // namespace
}  // namespace oru::platform
