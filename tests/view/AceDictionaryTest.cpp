#include "view/AceDictionary.h"

#include "support/TapeBuilder.h"
#include "support/TestNames.h"
#include "tape/Tape.h"
#include "view/BlockViews.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace test = bitreel::test;
using bitreel::view::ListAceWords;
using test::Bytes;
using Words = std::vector<std::string>;

struct CorpusCase {
    const char* file;
    std::vector<Words> dictionaries; // per dictionary in the file, newest word first
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.file;
}

// The words as the sources of the images define them.
const CorpusCase kCorpus[] = {
    {"ace/DICT.tap", {{"HEX", "HELLO"}}},
    {"ace/test.tap", {{"TEST"}, {"TEST2"}}},
    {"ace/AUTORUN.tap", {{"RUN"}}},
};

class AceCorpus : public testing::TestWithParam<CorpusCase> {};

TEST_P(AceCorpus, NamesTheWordsOfEachDictionary) {
    const fs::path path = fs::path(BITREEL_CORPUS_DIR) / GetParam().file;
    ASSERT_TRUE(fs::exists(path)) << "corpus not found at " << path;
    std::ifstream in(path, std::ios::binary);
    auto file = bitreel::TapeFile::FromBytes(
        Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    std::vector<Words> found;
    bool expectHeader = true;
    Bytes header;
    for (bitreel::TapeBlock block;
         bitreel::ReadBlock(file, block, bitreel::TapeLayout::AceTap, expectHeader) &&
         block.Length >= 0;
         expectHeader = !expectHeader) {
        const auto payload = bitreel::view::BlockPayload(block.Bytes);
        if (expectHeader) {
            header.assign(payload.begin(), payload.end());
        } else if (header.at(0) == 0) {
            const auto words = ListAceWords(header, payload);
            EXPECT_TRUE(words.problems.empty()) << words.Text();
            found.push_back(words.lines);
        }
    }
    EXPECT_EQ(found, GetParam().dictionaries);
}

INSTANTIATE_TEST_SUITE_P(Images, AceCorpus, testing::ValuesIn(kCorpus), test::ByName());

constexpr unsigned kStart = 15441;

// A dictionary header whose newest word's name length field is at newest.
Bytes Header(unsigned newest, unsigned start = kStart) {
    Bytes header = test::AceHeader(0, "dict", 0);
    header[13] = static_cast<std::uint8_t>(start & 0xFF);
    header[14] = static_cast<std::uint8_t>(start >> 8);
    header[15] = static_cast<std::uint8_t>(newest & 0xFF);
    header[16] = static_cast<std::uint8_t>(newest >> 8);
    return header;
}

// A word: its name (last character with bit 7), word length, link, name
// length field, code field.
void AddWord(Bytes& data, const std::string& name, unsigned link, int nameLength = -1) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        data.push_back(static_cast<std::uint8_t>(name[i] | (i + 1 == name.size() ? 0x80 : 0)));
    }
    test::PutWord(data, 7);
    test::PutWord(data, link);
    data.push_back(static_cast<std::uint8_t>(nameLength < 0 ? name.size() : nameLength));
    test::PutWord(data, 0x0EC3);
}

struct WalkCase {
    const char* name;
    Bytes header;
    Bytes data;
    Words words;
    std::vector<std::string> problems;
};

void PrintTo(const WalkCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes TwoWords(unsigned secondLink, int secondNameLength = -1) {
    Bytes data;
    AddWord(data, "ONE", 0x3C49);                       // name length field at kStart + 7
    AddWord(data, "TWO", secondLink, secondNameLength); // name length field at kStart + 17
    return data;
}

const WalkCase kWalks[] = {
    {"two words", Header(kStart + 17), TwoWords(kStart + 7), {"TWO", "ONE"}, {}},
    {"immediate flag above the length",
     Header(kStart + 17),
     TwoWords(kStart + 7, 0x43),
     {"TWO", "ONE"},
     {}},
    {"no words of its own", Header(0x3C49), {}, {}, {}},
    {"link to itself",
     Header(kStart + 17),
     TwoWords(kStart + 17),
     {"TWO"},
     {"the word TWO at 15458 does not link to an older word"}},
    {"name longer than the bytes before it",
     Header(kStart + 17),
     TwoWords(kStart + 7, 20),
     {},
     {"the word at 15458 has a name that does not fit before it"}},
    {"empty name",
     Header(kStart + 17),
     TwoWords(kStart + 7, 0),
     {},
     {"the word at 15458 has a name that does not fit before it"}},
    {"newest word past the end",
     Header(kStart + 40),
     TwoWords(kStart + 7),
     {},
     {"the newest word's address 15481 lies past the end of the block (15441 + 20 bytes)"}},
    {"header too short",
     Bytes(16, 0),
     TwoWords(kStart + 7),
     {},
     {"the header has 16 bytes, not the 25 of a Jupiter Ace header"}},
};

class AceWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(AceWalk, FollowsTheLinksInsideTheBlockOnly) {
    const auto view = ListAceWords(GetParam().header, GetParam().data);
    EXPECT_EQ(view.lines, GetParam().words);
    EXPECT_EQ(view.problems, GetParam().problems);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, AceWalk, testing::ValuesIn(kWalks), test::ByName());

} // namespace
