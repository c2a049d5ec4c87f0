// What `bitreel check` prints: the adapter, the lines, and the items, as text
// or as one JSON object.
#include "cli/commands/CheckReport.h"

#include "serial/ChipNotes.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdio>

namespace bitreel::cli {
namespace {

constexpr std::size_t LabelWidth = 16;
constexpr std::size_t ItemWidth = 22;
constexpr std::size_t VerdictWidth = 13;

std::string Padded(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size() + 1), ' ');
    return text;
}

std::string Field(const std::string& label, const std::string& value) {
    return FieldText(label, value.empty() ? "not known" : value);
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

std::string Level(bool asserted) {
    return asserted ? "asserted" : "low";
}

QJsonValue OrNull(const std::string& text) {
    return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
}

QJsonValue LinesJson(const std::optional<InputLines>& lines) {
    if (!lines) {
        return {};
    }
    return QJsonObject{{"cts", lines->cts}, {"dsr", lines->dsr}, {"dcd", lines->dcd}};
}

QJsonObject AdapterJson(const AdapterInfo& adapter) {
    const ChipNote* note = FindChipNote(adapter);
    return QJsonObject{
        {"device", QString::fromStdString(adapter.device)},
        {"systemDevice", QString::fromStdString(adapter.systemDevice)},
        {"comNumber", adapter.comNumber ? QJsonValue(*adapter.comNumber) : QJsonValue()},
        {"manufacturer", OrNull(adapter.manufacturer)},
        {"description", OrNull(adapter.description)},
        {"vendorId", adapter.vendorId ? OrNull(Hex4(*adapter.vendorId)) : QJsonValue()},
        {"productId", adapter.productId ? OrNull(Hex4(*adapter.productId)) : QJsonValue()},
        {"serialNumber", OrNull(adapter.serialNumber)},
        {"driver", OrNull(adapter.driver)},
        {"chipNote",
         note ? QJsonValue(QJsonObject{
                    {"chip", QString::fromUtf8(note->chip.data(),
                                               static_cast<qsizetype>(note->chip.size()))},
                    {"note", QString::fromUtf8(note->note.data(),
                                               static_cast<qsizetype>(note->note.size()))}})
              : QJsonValue()},
    };
}

} // namespace

std::string FieldText(const std::string& label, const std::string& value) {
    return "  " + Padded(label, LabelWidth) + value + "\n";
}

std::string AdapterText(const AdapterInfo& adapter) {
    std::string device = adapter.device;
    if (adapter.systemDevice != adapter.device) {
        device += " (" + adapter.systemDevice + ")";
    }
    std::string text =
        "Adapter\n" + Field("device", device) +
        Field("port table", adapter.comNumber ? "COM" + std::to_string(*adapter.comNumber)
                                              : "not in the port table") +
        Field("manufacturer", adapter.manufacturer) + Field("description", adapter.description);
    std::string ids;
    if (adapter.vendorId && adapter.productId) {
        ids = Hex4(*adapter.vendorId) + ":" + Hex4(*adapter.productId);
    }
    text += Field("USB IDs", ids) + Field("serial number", adapter.serialNumber) +
            Field("kernel driver", adapter.driver);
    const ChipNote* note = FindChipNote(adapter);
    text += Field("chip note", note ? std::string(note->chip) + ": " + std::string(note->note)
                                    : "none for this adapter");
    return text;
}

std::string LinesText(const std::optional<InputLines>& lines) {
    if (!lines) {
        return "cannot tell: the device has no modem lines to read";
    }
    return "CTS " + Level(lines->cts) + ", DSR " + Level(lines->dsr) + ", DCD " + Level(lines->dcd);
}

std::string ChangeText(const LineChange& change) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%8.2f s  ",
                  std::chrono::duration<double>(change.at).count());
    return seconds + std::string(change.line) + " " + Level(change.asserted) + "\n";
}

std::string ItemsText(const std::vector<CheckItem>& items) {
    std::string text;
    for (const CheckItem& item : items) {
        text += "  " + Padded(item.title, ItemWidth) +
                Padded(std::string(VerdictText(item.verdict)), VerdictWidth) + item.seen + "\n";
        if (!item.meaning.empty()) {
            text += "      " + item.meaning + "\n";
        }
    }
    return text;
}

QJsonObject CheckJson(const CheckRun& run) {
    QJsonObject object{
        {"port", QString::fromStdString(run.port)},
        {"adapter", AdapterJson(run.adapter)},
    };
    if (!run.data) {
        QJsonArray changes;
        for (const LineChange& change : run.changes) {
            changes.append(
                QJsonObject{{"seconds", std::chrono::duration<double>(change.at).count()},
                            {"line", QString::fromUtf8(change.line.data(),
                                                       static_cast<qsizetype>(change.line.size()))},
                            {"asserted", change.asserted}});
        }
        object.insert("lines", LinesJson(run.linesFirst));
        object.insert("linesAtEnd", LinesJson(run.linesLast));
        object.insert("changes", changes);
    } else {
        const DataFigures& data = *run.data;
        object.insert("data", QJsonObject{{"sent", static_cast<qint64>(data.sent)},
                                          {"received", static_cast<qint64>(data.received)},
                                          {"lost", static_cast<qint64>(data.lost)},
                                          {"changed", static_cast<qint64>(data.changed)},
                                          {"extra", static_cast<qint64>(data.extra)},
                                          {"bytesPerSecond", data.bytesPerSecond
                                                                 ? QJsonValue(*data.bytesPerSecond)
                                                                 : QJsonValue()},
                                          {"lineBytesPerSecond", data.lineBytesPerSecond}});
    }
    QJsonArray items;
    for (const CheckItem& item : run.items) {
        items.append(QJsonObject{{"item", QString::fromStdString(item.name)},
                                 {"result", QString::fromUtf8(VerdictText(item.verdict).data())},
                                 {"seen", QString::fromStdString(item.seen)},
                                 {"meaning", OrNull(item.meaning)}});
    }
    object.insert("items", items);
    return object;
}

bool AnyFailed(const std::vector<CheckItem>& items) {
    return std::any_of(items.begin(), items.end(),
                       [](const CheckItem& item) { return item.verdict == Verdict::Fail; });
}

} // namespace bitreel::cli
