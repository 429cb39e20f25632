// A parser plug-in for tests: it serves plain 8-bit text files ("Text Files<txt=") by the
// shared word rule, so engine tests can index files whose words they know. When the
// environment variable ORU_TEST_PARSER_DELAY_MS is set it sleeps that long in every _ParseIt,
// which makes a pass slow enough to stop by hand. A file whose name or first line holds
// "crash-me" makes it write through a null pointer, "abort-me" abort, and "hang-me" loop for
// ever (the faults a broken parser brings into the indexer's process); "refuse-me" is refused.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/files.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/plugin_export.h"
#include "plugins/parser-common/word_rule.h"

namespace {

std::string* g_text = nullptr;
// Read through a volatile object, so that the compiler cannot see the write it makes is bad.
int* volatile g_nowhere = nullptr;

// False for a file to refuse.
bool MisbehaveAsTold(const std::string& told) {
  if (told.find("crash-me") != std::string::npos) *g_nowhere = 1;
  if (told.find("abort-me") != std::string::npos) std::abort();
  if (told.find("hang-me") != std::string::npos) {
    for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return told.find("refuse-me") == std::string::npos;
}

void Release() {
  delete g_text;
  g_text = nullptr;
}

}  // namespace

ORU_PLUGIN_EXPORT bool _GetFPlugData(oru::DescriptorBlock* block) {
  if (block == nullptr) return false;
  std::memset(block->Filter, 0, sizeof(block->Filter));
  std::strcpy(block->Filter, "Text Files<txt=");
  std::strcpy(block->Description, "Plain text files for tests.");
  std::strcpy(block->DisplayName, "TextParser");
  return true;
}

ORU_PLUGIN_EXPORT bool _ParseIt(const char* file_name, const char*) {
  try {
    Release();
    if (file_name == nullptr || file_name[0] == '\0') return false;
    if (const char* delay = std::getenv("ORU_TEST_PARSER_DELAY_MS")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
    }
    auto text = std::make_unique<std::string>();
    if (oru::platform::ReadWholeFile(file_name, text.get()) != oru::platform::Result::kOk) {
      return false;
    }
    text->resize(strnlen(text->data(), text->size()));
    if (!MisbehaveAsTold(file_name + ("\n" + text->substr(0, text->find('\n'))))) return false;
    g_text = text.release();
    return true;
  } catch (...) {
    return false;
  }
}

ORU_PLUGIN_EXPORT bool _GetNextWord(oru::WordRecord* rec) {
  if (rec == nullptr) return false;
  rec->IsWide = 0;
  if (g_text == nullptr) return false;
  return oru::parser::NextWordInto(reinterpret_cast<const uint8_t*>(g_text->data()),
                                   static_cast<uint32_t>(g_text->size()), rec);
}

ORU_PLUGIN_EXPORT void _StopParse() { Release(); }

// A window of Size bytes around Position, as the Word plug-in cuts its fragments.
ORU_PLUGIN_EXPORT bool _GetFragmentAtPos(oru::FragmentRecord* rec) {
  if (rec == nullptr || g_text == nullptr || rec->Buffer == nullptr) return false;
  rec->IsWide = 0;
  rec->Length = 0;
  if (rec->Position >= g_text->size()) return false;
  const size_t start = rec->Position - std::min<size_t>(rec->Position, rec->Size / 2);
  const size_t n = std::min<size_t>(rec->Size, g_text->size() - start);
  std::memset(rec->Buffer, 0, rec->Size);
  std::memcpy(rec->Buffer, g_text->data() + start, n);
  rec->Position = static_cast<uint32_t>(start);
  rec->Length = static_cast<uint32_t>(n);
  return true;
}
