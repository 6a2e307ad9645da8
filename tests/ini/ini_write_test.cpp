// Writing single values into plain and enciphered files.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/faulty_host.h"
#include "ini/ini.h"
#include "ini_test_support.h"

namespace inicrypt {
namespace {

using namespace std::string_view_literals;
using testing::kPasswords;
using testing::TempFolder;

struct Edit {
  std::optional<std::string_view> before;  // nullopt: no file
  const char* section;
  const char* key;
  const char* value;
  std::string_view after;
};

void PrintTo(const Edit& e, std::ostream* os) {
  *os << ::testing::PrintToString(e.before.value_or("(no file)")) << " [" << e.section << "] "
      << e.key << "=" << e.value;
}

class IniEdits : public ::testing::TestWithParam<Edit> {};

TEST_P(IniEdits, GiveTheExpectedText) {
  const Edit& e = GetParam();
  for (const std::string_view password : kPasswords) {
    SCOPED_TRACE(password);
    TempFolder folder;
    Text path = folder.Path("a.ini");
    if (e.before) {
      ASSERT_TRUE(testing::PutText(path, *e.before, password));
    }
    EXPECT_TRUE(WriteValue(path, password, e.section, e.key, e.value));
    EXPECT_EQ(testing::GetText(path, password), Text(e.after));
    // The disk holds the text itself, or the text enciphered.
    EXPECT_EQ(testing::TryReadAll(path) == Text(e.after), password.empty());
    EXPECT_TRUE(testing::NobodyHolds(path));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layout, IniEdits,
    ::testing::Values(
        Edit{std::nullopt, "s", "k", "v", "[s]\r\nk=v\r\n"},
        Edit{""sv, "s", "k", "v", "[s]\r\nk=v\r\n"},
        // The first line of the key in the first header is replaced, keeping its key text.
        Edit{"[s]\r\na=1\r\nk=old\r\nb=2\r\n"sv, "s", "k", "new", "[s]\r\na=1\r\nk=new\r\nb=2\r\n"},
        Edit{"[s]\r\n  k = old\r\n"sv, "s", "k", "new", "[s]\r\n  k =new\r\n"},
        Edit{"[s]\r\nk=1\r\nk=2\r\n"sv, "s", "k", "v", "[s]\r\nk=v\r\nk=2\r\n"},
        Edit{"[s]\r\na=1\r\n[s]\r\nk=2\r\n"sv, "s", "k", "v",
             "[s]\r\na=1\r\nk=v\r\n[s]\r\nk=2\r\n"},
        Edit{"[s]\r\nk=\r\n"sv, "s", "k", "v", "[s]\r\nk=v\r\n"},
        Edit{"[s]\r\nk=v\r\n"sv, "s", "k", "", "[s]\r\nk=\r\n"},
        // A new key goes in front of the next header, after the blank lines ending the section.
        Edit{"[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"sv, "a", "k", "v",
             "[a]\r\nx=1\r\n\r\nk=v\r\n[b]\r\ny=2\r\n"},
        // ... or at the end of the text; a header with nothing after it gets it right behind.
        Edit{"[a]\r\nx=1\r\n[b]\r\ny=2\r\n"sv, "b", "k", "v",
             "[a]\r\nx=1\r\n[b]\r\ny=2\r\nk=v\r\n"},
        Edit{"[a]\r\n"sv, "a", "k", "v", "[a]\r\nk=v\r\n"},
        // Section names ignore ASCII case and the existing header stays; keys do not.
        Edit{"[Sec]\r\n"sv, "SEC", "k", "v", "[Sec]\r\nk=v\r\n"},
        Edit{"[s]\r\nK=1\r\n"sv, "s", "k", "v", "[s]\r\nK=1\r\nk=v\r\n"},
        // A header the section is not found under: the section is added at the end.
        Edit{"[ s ]\r\nk=1\r\n"sv, "s", "k", "v", "[ s ]\r\nk=1\r\n[s]\r\nk=v\r\n"},
        Edit{"[a]\r\nx=1\r\n"sv, "s", "k", "v", "[a]\r\nx=1\r\n[s]\r\nk=v\r\n"},
        // The section and key are written as given, blanks and all; an "=" after
        // a lead byte is an "=" (it cannot be a second byte), and the lone lead
        // byte before it is trimmed off the key.
        Edit{""sv, " s", "k ", " v ", "[ s]\r\nk = v \r\n"},
        Edit{"[s]\r\na\x81=b=c\r\n"sv, "s", "a", "v", "[s]\r\na\x81=v\r\n"},
        // The replaced line is the last one and has no line end.
        Edit{"[s]\r\nk=1"sv, "s", "k", "v", "[s]\r\nk=v\r\n"},
        // Repairs of files whose lines do not all end with CR LF:
        // a replaced line loses its own line end and nothing of what follows,
        Edit{"[s]\nk=1\nx=2\n"sv, "s", "k", "v", "[s]\nk=v\r\nx=2\n"},
        Edit{"[s]\r\nk=1\0tail"sv, "s", "k", "v", "[s]\r\nk=v\r\n\0tail"sv},
        Edit{"[s]\r\nk=1\r\x1A"sv, "s", "k", "v", "[s]\r\nk=v\r\n\x1A"sv},
        // the last line gets its line end before anything is added after it,
        Edit{"[s]"sv, "s", "k", "v", "[s]\r\nk=v\r\n"},
        Edit{"[s]\r\na=1"sv, "s", "k", "v", "[s]\r\na=1\r\nk=v\r\n"},
        Edit{"[a]\r\nx=1"sv, "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        Edit{"[a]\r\nx=1\r"sv, "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
        Edit{"[a]\nx=1\n"sv, "b", "k", "v", "[a]\nx=1\n[b]\r\nk=v\r\n"},
        // and what is added goes where the text ends, in front of a NUL or 0x1A byte.
        Edit{"[a]\r\nx=1\r\n\x1A"sv, "a", "k", "v", "[a]\r\nx=1\r\nk=v\r\n\x1A"sv},
        Edit{"[a]\r\nx=1\r\n\x1A"sv, "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n\x1A"sv},
        Edit{"[a]\r\nx=1\0[b]\r\n"sv, "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n\0[b]\r\n"sv}));

// Arguments WriteValue refuses: nothing is opened and the path stays as given.
struct Refusal {
  const char* path;  // "<f>" stands for the test's file
  std::string_view section;
  std::string_view key;
  std::string_view value;
};

class IniRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(IniRefusals, LeaveTheFileAlone) {
  const Refusal& r = GetParam();
  TempFolder folder;
  const Text file = folder.Path("a.ini");
  const std::string_view before = "[s]\r\nk=1\r\n";
  ASSERT_TRUE(testing::PutText(file, before, ""));
  Text path = std::string_view(r.path) == "<f>" ? file : Text(r.path);
  const Text given = path;
  EXPECT_FALSE(WriteValue(path, "", r.section, r.key, r.value));
  EXPECT_EQ(path, given);
  EXPECT_EQ(testing::TryReadAll(file), Text(before));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, IniRefusals,
    ::testing::Values(Refusal{"", "s", "k", "v"}, Refusal{"  ", "s", "k", "v"},
                      Refusal{"<f>", "", "k", "v"}, Refusal{"<f>", "  ", "k", "v"},
                      Refusal{"<f>", "\xA1\xA1", "k", "v"}, Refusal{"<f>", "s", "", "v"},
                      Refusal{"<f>", "s", " ", "v"},
                      // Bytes that would end the line or the text, and a key holding "=".
                      Refusal{"<f>", "s\n", "k", "v"}, Refusal{"<f>", "s", "k\n", "v"},
                      Refusal{"<f>", "s", "k", "v\r\n[x]"}, Refusal{"<f>", "s", "k", "v\0w"sv},
                      Refusal{"<f>", "s", "k", "v\x1A"}, Refusal{"<f>", "s", "k=1", "v"},
                      // A lead byte at the end of the key is trimmed off when read.
                      Refusal{"<f>", "s", "k\x81", "v"}));

TEST(IniWriting, FileThatCannotBeOpenedGivesFalse) {
  TempFolder folder;
  Text missing_folder = folder.Path("no/such/a.ini");
  EXPECT_FALSE(WriteValue(missing_folder, "", "s", "k", "v"));
  Text a_folder = folder.Path("");
  EXPECT_FALSE(WriteValue(a_folder, "", "s", "k", "v"));
}

// An independent model of the text WriteValue builds: sections in the order
// first written, keys in the order first written in their section.
class Model {
 public:
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    auto s = sections_.begin();
    while (s != sections_.end() && s->first != section) ++s;
    if (s == sections_.end()) s = sections_.insert(s, {section, {}});
    auto k = s->second.begin();
    while (k != s->second.end() && k->first != key) ++k;
    if (k == s->second.end()) k = s->second.insert(k, {key, {}});
    k->second = value;
  }
  std::string Render() const {
    std::string text;
    for (const auto& [section, keys] : sections_) {
      text += "[" + section + "]\r\n";
      for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
    }
    return text;
  }

 private:
  using Keys = std::vector<std::pair<std::string, std::string>>;
  std::vector<std::pair<std::string, Keys>> sections_;
};

TEST(IniWriting, ManyWritesMatchAnIndependentModel) {
  TempFolder folder;
  const std::string_view password = "73580647";
  Text path = folder.Path("config.ini");
  Model model;
  std::mt19937 random(7);
  // First in source order, as the encrypt job writes, then anywhere.
  for (int s = 0; s < 6; ++s) {
    for (int k = 0; k < 12; ++k) {
      const std::string section = "section" + std::to_string(s);
      const std::string key = "key" + std::to_string(k);
      const std::string value = "value" + std::to_string(s * 100 + k);
      ASSERT_TRUE(WriteValue(path, password, section, key, value));
      model.Set(section, key, value);
    }
  }
  for (int i = 0; i < 300; ++i) {
    const std::string section = "section" + std::to_string(random() % 9);
    const std::string key = "key" + std::to_string(random() % 16);
    const std::string value = random() % 8 == 0 ? "" : "v" + std::to_string(random() % 1000);
    ASSERT_TRUE(WriteValue(path, password, section, key, value));
    model.Set(section, key, value);
  }
  EXPECT_EQ(testing::GetText(path, password), model.Render());
}

// Whatever store call fails, WriteValue never reports success with a wrong
// file, and once nothing fails it writes what it should.
TEST(IniWriting, FailuresAreReportedNotHidden) {
  const std::string_view before = "[a]\r\nx=1\r\n[b]\r\ny=2\r\n";
  const struct {
    const char* section;
    const char* key;
    std::string_view after;
  } cases[] = {
      {"a", "x", "[a]\r\nx=v\r\n[b]\r\ny=2\r\n"},
      {"a", "k", "[a]\r\nx=1\r\nk=v\r\n[b]\r\ny=2\r\n"},
      {"c", "k", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n[c]\r\nk=v\r\n"},
  };
  for (const auto& c : cases) {
    for (const FaultSpan span : {FaultSpan::kOnce, FaultSpan::kFromNthOn}) {
      for (int n = 1;; ++n) {
        SCOPED_TRACE(::testing::Message() << c.section << "/" << c.key << " call " << n);
        TempFolder folder;
        Text path = folder.Path("a.ini");
        ASSERT_TRUE(testing::PutText(path, before, "pw"));
        FaultyHost faulty;
        bool written = false;
        {
          const ScopedHost in_use(faulty);
          faulty.FailIo(n, span);
          written = WriteValue(path, "pw", c.section, c.key, "v");
        }
        if (written) {
          EXPECT_EQ(testing::GetText(path, "pw"), Text(c.after));
        }
        if (faulty.Injected() == 0) {
          EXPECT_TRUE(written);
          break;
        }
      }
    }
  }
}

}  // namespace
}  // namespace inicrypt
