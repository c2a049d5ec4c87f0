// The options that say how a tape sounds.
#include "cli/SoundOptions.h"

namespace bitreel::cli {
namespace {

const QString RateOption = QStringLiteral("rate");
const QString InvertOption = QStringLiteral("invert");
const QString LevelOption = QStringLiteral("level");

QString RateList() {
    QStringList rates;
    for (const std::uint32_t rate : SampleRates) {
        rates << QString::number(rate);
    }
    return rates.join(QStringLiteral(", "));
}

} // namespace

void AddSoundOptions(QCommandLineParser& parser) {
    const RenderOptions defaults;
    parser.addOption({RateOption,
                      QStringLiteral("The sample rate in Hz: %1 (default %2).")
                          .arg(RateList())
                          .arg(defaults.rate),
                      QStringLiteral("HZ")});
    parser.addOption(
        {InvertOption, QStringLiteral("Turns the wave the other way up, for a loader or a lead "
                                      "that needs it.")});
    parser.addOption({LevelOption,
                      QStringLiteral("The wave's peak in percent of full scale, 1 to 100 "
                                     "(default %1).")
                          .arg(defaults.levelPercent),
                      QStringLiteral("PERCENT")});
}

bool SoundOptionsGiven(const QCommandLineParser& parser) {
    return parser.isSet(RateOption) || parser.isSet(InvertOption) || parser.isSet(LevelOption);
}

SoundOptionsParse ReadSoundOptions(const QCommandLineParser& parser) {
    SoundOptionsParse parse;
    if (parser.isSet(RateOption)) {
        bool number = false;
        const uint rate = parser.value(RateOption).toUInt(&number);
        if (!number || !IsSampleRate(rate)) {
            parse.error = "--rate " + parser.value(RateOption).toStdString() + ": give " +
                          RateList().toStdString();
            return parse;
        }
        parse.options.rate = rate;
    }
    parse.options.invert = parser.isSet(InvertOption);
    if (parser.isSet(LevelOption)) {
        bool number = false;
        const int level = parser.value(LevelOption).toInt(&number);
        if (!number || level < 1 || level > 100) {
            parse.error = "--level " + parser.value(LevelOption).toStdString() +
                          ": give a percentage from 1 to 100";
            return parse;
        }
        parse.options.levelPercent = level;
    }
    return parse;
}

} // namespace bitreel::cli
