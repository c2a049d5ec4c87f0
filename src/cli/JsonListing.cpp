// The JSON form of a listing, written as the blocks are read.
#include "cli/JsonListing.h"

#include "cli/Console.h"
#include "tape/RowNumber.h"

#include <array>

namespace bitreel::cli {
namespace {

constexpr std::size_t FlushAt = 64 * 1024;
constexpr std::string_view BlockIndent = "            ";
constexpr std::string_view FieldIndent = "                ";
constexpr std::string_view HeaderIndent = "                    ";

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped.
void PutString(std::string& out, std::string_view utf8) {
    constexpr std::string_view Hex = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += Hex[byte >> 4];
                out += Hex[byte & 0x0F];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Row and name bytes are Latin-1 characters, kept exactly: JSON escapes
// what a terminal must not see raw.
std::string ExactUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

void PutLatin1(std::string& out, std::string_view latin1) {
    PutString(out, ExactUtf8(latin1));
}

// One "key": value line of an object; first says whether a comma goes before it.
class Fields {
public:
    Fields(std::string& out, std::string_view indent) : out_(out), indent_(indent) {}

    std::string& Key(std::string_view key) {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        out_ += indent_;
        out_ += '"';
        out_ += key;
        out_ += "\": ";
        return out_;
    }
    void Number(std::string_view key, long long value) { Key(key) += std::to_string(value); }
    void Text(std::string_view key, std::string_view utf8) { PutString(Key(key), utf8); }
    void Null(std::string_view key) { Key(key) += "null"; }
    template <typename Value> void NumberOrNull(std::string_view key, const Value& value) {
        value ? Number(key, *value) : Null(key);
    }

private:
    std::string& out_;
    std::string_view indent_;
    bool first_ = true;
};

// An array's variable as the row shows it: a letter of the array's own kind
// in lower case ("a", "a$"), any other byte as it stands.
std::string ArrayVariable(const HeaderFields& header) {
    const bool characters = header.typeByte == 2;
    const auto letter = ArrayLetter(*header.variable, characters);
    std::string name = letter ? std::string(1, *letter)
                              : ExactUtf8(std::string(1, static_cast<char>(*header.variable)));
    return characters ? name + "$" : name;
}

void PutHeader(std::string& out, const HeaderFields& header) {
    out += '{';
    Fields fields(out, HeaderIndent);
    fields.Number("length", header.dataLength);
    if (header.line) {
        fields.Number("line", *header.line);
    }
    PutLatin1(fields.Key("name"), header.name);
    if (header.start) {
        fields.Number("start", *header.start);
    }
    fields.Text("type", header.type);
    if (header.variable) {
        fields.Text("variable", ArrayVariable(header));
    }
    if (header.variables) {
        fields.Number("variables", *header.variables);
    }
    out += '\n';
    out += FieldIndent;
    out += '}';
}

} // namespace

std::string_view VerdictName(ChecksumVerdict verdict) noexcept {
    // In the order of ChecksumVerdict.
    constexpr std::array<std::string_view, 3> Names = {"good", "replaced", "damaged"};
    return Names.at(static_cast<std::size_t>(verdict));
}

JsonListing::~JsonListing() {
    Finish();
}

void JsonListing::BeginFile(std::string_view file, std::string_view layout) {
    text_ += anyFile_ ? ",\n    {\n        \"blocks\": [" : "[\n    {\n        \"blocks\": [";
    anyFile_ = true;
    anyBlock_ = false;
    file_ = file;
    layout_ = layout;
}

void JsonListing::AddBlock(int index, const ImageBlock& block) {
    text_ += anyBlock_ ? ",\n" : "\n";
    anyBlock_ = true;
    text_ += BlockIndent;
    text_ += '{';
    Fields fields(text_, FieldIndent);
    if (block.Sent()) {
        fields.Text("checksum", VerdictName(block.verdict));
    } else {
        fields.Null("checksum");
    }
    fields.NumberOrNull("flag", block.Flag());
    if (block.header) {
        PutHeader(fields.Key("header"), *block.header);
    } else {
        fields.Null("header");
    }
    fields.Text("kind", BlockKindName(block.kind));
    fields.NumberOrNull("length", block.Length());
    fields.Number("number", RowNumberOf(index));
    PutLatin1(fields.Key("row"), block.row);
    text_ += '\n';
    text_ += BlockIndent;
    text_ += '}';
    if (text_.size() >= FlushAt) {
        Flush();
    }
}

void JsonListing::EndFile() {
    text_ += "\n        ],";
    Fields fields(text_, "        ");
    fields.Text("file", file_);
    fields.Text("layout", layout_);
    text_ += "\n    }";
    Flush();
}

void JsonListing::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    text_ += anyFile_ ? "\n]\n" : "[\n]\n";
    Flush();
}

void JsonListing::Flush() {
    Write(out_, text_);
    text_.clear();
}

} // namespace bitreel::cli
