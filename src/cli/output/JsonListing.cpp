// The JSON form of a listing, written as the blocks are read.
#include "cli/output/JsonListing.h"

#include "cli/output/Console.h"
#include "tape/TapeImage.h"

#include <array>
#ifdef __linux__
#include <fcntl.h>
#endif
#include <charconv>

namespace bitreel::cli {
namespace {

constexpr std::size_t FlushAt = 1024 * 1024;
constexpr std::string_view Hex = "0123456789abcdef";

bool NeedsEscape(unsigned char byte) {
    return byte < 0x20 || byte == '"' || byte == '\\';
}

void PutEscaped(JsonText& out, unsigned char byte) {
    switch (byte) {
    case '"':
        out.Put("\\\"");
        break;
    case '\\':
        out.Put("\\\\");
        break;
    case '\n':
        out.Put("\\n");
        break;
    case '\r':
        out.Put("\\r");
        break;
    case '\t':
        out.Put("\\t");
        break;
    default:
        out.Put("\\u00");
        out.Put(Hex[byte >> 4]);
        out.Put(Hex[byte & 0x0F]);
    }
}

// A JSON string of UTF-8 text.
void PutString(JsonText& out, std::string_view utf8) {
    out.Put('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            PutEscaped(out, byte);
        } else {
            out.Put(c);
        }
    }
    out.Put('"');
}

// A JSON string of a tape's text, Latin-1 characters one per byte, kept
// exactly: JSON escapes what a terminal must not see raw.
void PutLatin1(JsonText& out, std::string_view latin1) {
    out.Put('"');
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            out.Put(static_cast<char>(0xC0 | (byte >> 6)));
            out.Put(static_cast<char>(0x80 | (byte & 0x3F)));
        } else if (NeedsEscape(byte)) {
            PutEscaped(out, byte);
        } else {
            out.Put(c);
        }
    }
    out.Put('"');
}

void PutNumber(JsonText& out, long long value) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    for (const char* p = digits.data(); p != end; ++p) {
        out.Put(*p);
    }
}

// The "key": value pairs of one object on one line.
class Fields {
public:
    explicit Fields(JsonText& out) : out_(out) { out_.Put('{'); }
    ~Fields() { out_.Put('}'); }
    Fields(const Fields&) = delete;
    Fields& operator=(const Fields&) = delete;

    template <std::size_t N> JsonText& Key(const char (&key)[N]) {
        if (first_) {
            out_.Put('"');
        } else {
            out_.Put(",\"");
        }
        first_ = false;
        out_.Put(key);
        out_.Put("\":");
        return out_;
    }
    template <std::size_t N> void Number(const char (&key)[N], long long value) {
        PutNumber(Key(key), value);
    }
    template <std::size_t N> void Text(const char (&key)[N], std::string_view utf8) {
        PutString(Key(key), utf8);
    }
    template <std::size_t N> void Null(const char (&key)[N]) { Key(key).Put("null"); }
    template <std::size_t N, typename Value>
    void NumberOrNull(const char (&key)[N], const Value& value) {
        value ? Number(key, *value) : Null(key);
    }

private:
    JsonText& out_;
    bool first_ = true;
};

// An array's variable as the row shows it: a letter of the array's own kind
// in lower case ("a", "a$"), any other byte as it stands.
void PutArrayVariable(JsonText& out, const HeaderFields& header) {
    const bool characters = header.typeByte == 2;
    const auto letter = ArrayLetter(*header.variable, characters);
    std::string name(1, letter ? *letter : static_cast<char>(*header.variable));
    PutLatin1(out, characters ? name + "$" : name);
}

void PutHeader(JsonText& out, const HeaderFields& header) {
    Fields fields(out);
    fields.Text("type", header.type);
    PutLatin1(fields.Key("name"), header.name);
    fields.Number("length", header.dataLength);
    if (header.line) {
        fields.Number("line", *header.line);
    }
    if (header.variables) {
        fields.Number("variables", *header.variables);
    }
    if (header.start) {
        fields.Number("start", *header.start);
    }
    if (header.variable) {
        PutArrayVariable(fields.Key("variable"), header);
    }
}

} // namespace

std::string_view VerdictName(ChecksumVerdict verdict) noexcept {
    // In the order of ChecksumVerdict.
    constexpr std::array<std::string_view, 3> Names = {"good", "replaced", "damaged"};
    return Names.at(static_cast<std::size_t>(verdict));
}

JsonListing::JsonListing(std::FILE* out) : out_(out) {
#ifdef F_SETPIPE_SZ
    // A listing of millions of blocks is a gigabyte: through a pipe of the
    // usual 64 KB, the reader is woken for every few hundred blocks.
    (void)fcntl(fileno(out), F_SETPIPE_SZ, static_cast<int>(FlushAt));
#endif
}

JsonListing::~JsonListing() {
    Finish();
}

void JsonListing::BeginFile(std::string_view file, std::string_view layout) {
    if (anyFile_) {
        text_.Put(",\n{\"file\":");
    } else {
        text_.Put("[\n{\"file\":");
    }
    PutString(text_, file);
    text_.Put(",\"layout\":");
    PutString(text_, layout);
    text_.Put(",\"blocks\":[");
    anyFile_ = true;
    anyBlock_ = false;
}

void JsonListing::AddBlock(int index, const ImageBlock& block) {
    if (anyBlock_) {
        text_.Put(",\n");
    } else {
        text_.Put('\n');
    }
    anyBlock_ = true;
    {
        Fields fields(text_);
        fields.Number("number", RowNumberOf(index));
        PutLatin1(fields.Key("row"), block.row);
        fields.Text("kind", BlockKindName(block.kind));
        fields.NumberOrNull("flag", block.Flag());
        fields.NumberOrNull("length", block.Length());
        if (block.Sent()) {
            fields.Text("checksum", VerdictName(block.verdict));
        } else {
            fields.Null("checksum");
        }
        if (block.header) {
            PutHeader(fields.Key("header"), *block.header);
        } else {
            fields.Null("header");
        }
    }
    if (text_.Size() >= FlushAt) {
        Flush();
    }
}

void JsonListing::EndFile() {
    if (anyBlock_) {
        text_.Put('\n');
    }
    text_.Put("]}");
    Flush();
}

void JsonListing::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    if (anyFile_) {
        text_.Put("\n]\n");
    } else {
        text_.Put("[]\n");
    }
    Flush();
}

void JsonListing::Flush() {
    Write(out_, text_.View());
    text_.Clear();
}

} // namespace bitreel::cli
