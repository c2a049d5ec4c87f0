// The JSON form of a listing.
#include "cli/JsonListing.h"

#include <QJsonArray>
#include <QString>

namespace bitreel::cli {
namespace {

QString Latin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An array's variable as the row shows it: a letter A to Z of the array's
// own kind in lower case ("a", "a$"), any other byte as it stands.
QString ArrayVariable(const HeaderFields& header) {
    const std::uint8_t byte = *header.variable;
    const bool chars = header.typeByte == 2;
    const std::uint8_t first = chars ? 0xC1 : 0x81;
    QString name = QChar(byte);
    if (byte >= first && byte <= first + 25) {
        name = QChar(static_cast<char16_t>((byte & 0x1F) | 0x60));
    }
    return chars ? name + QLatin1Char('$') : name;
}

QJsonObject HeaderJson(const HeaderFields& header) {
    QJsonObject object{{QStringLiteral("type"), Utf8(header.type)},
                       {QStringLiteral("name"), Latin1(header.name)},
                       {QStringLiteral("length"), header.dataLength}};
    if (header.line) {
        object.insert(QStringLiteral("line"), *header.line);
    }
    if (header.variables) {
        object.insert(QStringLiteral("variables"), *header.variables);
    }
    if (header.start) {
        object.insert(QStringLiteral("start"), *header.start);
    }
    if (header.variable) {
        object.insert(QStringLiteral("variable"), ArrayVariable(header));
    }
    return object;
}

template <typename Value> QJsonValue OrNull(const std::optional<Value>& value) {
    return value ? QJsonValue(static_cast<qint64>(*value)) : QJsonValue(QJsonValue::Null);
}

} // namespace

std::string_view VerdictName(ChecksumVerdict verdict) noexcept {
    switch (verdict) {
    case ChecksumVerdict::Good:
        return "good";
    case ChecksumVerdict::Replaced:
        return "replaced";
    case ChecksumVerdict::Damaged:
        return "damaged";
    }
    return "damaged";
}

QJsonObject BlockJson(int index, const ListedBlock& block) {
    return {
        {QStringLiteral("index"), index},
        {QStringLiteral("row"), Latin1(block.row)},
        {QStringLiteral("kind"), Utf8(BlockKindName(block.kind))},
        {QStringLiteral("flag"), OrNull(block.flag)},
        {QStringLiteral("length"), OrNull(block.length)},
        {QStringLiteral("checksum"),
         block.verdict ? QJsonValue(Utf8(VerdictName(*block.verdict))) : QJsonValue()},
        {QStringLiteral("header"),
         block.header ? QJsonValue(HeaderJson(*block.header)) : QJsonValue()},
    };
}

QJsonObject FileJson(std::string_view file, std::string_view layout,
                     const std::vector<ListedBlock>& blocks) {
    QJsonArray array;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        array.append(BlockJson(static_cast<int>(i), blocks[i]));
    }
    return {{QStringLiteral("file"), Utf8(file)},
            {QStringLiteral("layout"), Utf8(layout)},
            {QStringLiteral("blocks"), array}};
}

} // namespace bitreel::cli
