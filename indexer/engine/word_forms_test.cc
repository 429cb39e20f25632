#include "indexer/engine/word_forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oru {
namespace {

// The forms of `word` as "text" for kept words and "text:verdict" for the others.
std::vector<std::string> Forms(std::u16string_view word, const StopList& stop_words = {}) {
  Utf8WordForms forms;
  forms.Make(word, stop_words);
  std::vector<std::string> out;
  for (size_t i = 0; i < forms.size(); ++i) {
    std::string text(forms[i].text, forms[i].length);
    if (forms[i].verdict != WordVerdict::kKept) {
      text += ":" + std::to_string(static_cast<int>(forms[i].verdict));
    }
    out.push_back(text);
  }
  return out;
}

using Words = std::vector<std::string>;

TEST(Utf8WordFormsTest, FoldsEveryScriptAndCutsAtACharacterBoundary) {
  EXPECT_EQ(Forms(u"Приложение"), Words{"приложение"});
  EXPECT_EQ(Forms(u"ΛΌΓΟΣ"), Words{"λόγοσ"});
  EXPECT_EQ(Forms(u"λόγος"), Words{"λόγοσ"});  // final sigma folds to sigma
  EXPECT_EQ(Forms(u"ZAMAWIAJĄCY"), Words{"zamawiający"});
  EXPECT_EQ(Forms(u"İstanbul"), Words{"İstanbul"});  // no locale's rule for the dotted I
  EXPECT_EQ(Forms(u"ǅemal"), Words{"ǆemal"});
  // 20 Cyrillic letters are 40 bytes: 15 letters fit in 31.
  EXPECT_EQ(Forms(u"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖа"), Words{"жжжжжжжжжжжжжжж"});
}

TEST(Utf8WordFormsTest, PairsTheScriptsWrittenWithoutSpaces) {
  EXPECT_EQ(Forms(u"東京タワー"), (Words{"東京", "京タ", "タワ", "ワー"}));
  EXPECT_EQ(Forms(u"한국어"), (Words{"한국", "국어"}));
  EXPECT_EQ(Forms(u"版"), Words{"版"});
  EXPECT_EQ(Forms(u"谢谢"), Words{"谢谢"});  // a repeated character is no junk here
  EXPECT_EQ(Forms(u"Windows版"), (Words{"windows", "版"}));
  EXPECT_EQ(Forms(u"A4用紙"), (Words{"a4:1", "用紙"}));
}

TEST(Utf8WordFormsTest, FiltersOtherWordsByCharacters) {
  const StopList stop_words = Utf8StopList(StopList({"the", "ДЛЯ", "\xE9t\xE9"}));
  EXPECT_EQ(Forms(u"ab"), Words{"ab:1"});
  EXPECT_EQ(Forms(u"жжж"), Words{"жжж:2"});
  EXPECT_EQ(Forms(u"123456"), Words{"123456:2"});
  EXPECT_EQ(Forms(u"THE", stop_words), Words{"the:3"});
  EXPECT_EQ(Forms(u"для", stop_words), Words{"для:3"});
  EXPECT_EQ(Forms(u"Été", stop_words), Words{"été:3"});  // a Windows-1252 line of the list
  EXPECT_EQ(Forms(u"для2", stop_words), Words{"для2"});
}

TEST(TextEncodingTest, NamesReadBack) {
  for (TextEncoding encoding : {TextEncoding::kWindows1252, TextEncoding::kUtf8}) {
    EXPECT_EQ(EncodingByName(EncodingName(encoding)), encoding);
  }
  EXPECT_EQ(EncodingByName("utf-8"), TextEncoding::kUtf8);
  EXPECT_EQ(EncodingByName("UTF8"), std::nullopt);
}

}  // namespace
}  // namespace oru
