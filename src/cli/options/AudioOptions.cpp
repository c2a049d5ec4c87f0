// The options of a tape's sound.
#include "cli/options/AudioOptions.h"

namespace bitreel::cli {
namespace {

std::string RateList() {
    std::string list;
    for (std::size_t i = 0; i < SampleRates.size(); ++i) {
        list += i == 0 ? "" : i + 1 == SampleRates.size() ? " or " : ", ";
        list += std::to_string(SampleRates[i]);
    }
    return list;
}

} // namespace

AudioOptions AddAudioOptions(QCommandLineParser& parser, const QString& sound) {
    const RenderOptions defaults;
    AudioOptions options{
        {QStringLiteral("rate"),
         QStringLiteral("The sample rate of %1: %2 (default %3).")
             .arg(sound, QString::fromStdString(RateList()))
             .arg(defaults.rate),
         QStringLiteral("HZ"), QString::number(defaults.rate)},
        {QStringLiteral("invert"),
         QStringLiteral("Turn the wave of %1 the other way up, for the loaders and leads that "
                        "need it.")
             .arg(sound)},
        {QStringLiteral("level"),
         QStringLiteral("The wave's peak in %1, in percent of full scale: 1 to 100 (default %2).")
             .arg(sound)
             .arg(defaults.levelPercent),
         QStringLiteral("PERCENT"), QString::number(defaults.levelPercent)},
    };
    parser.addOption(options.rate);
    parser.addOption(options.invert);
    parser.addOption(options.level);
    return options;
}

AudioOptionsParse ReadAudioOptions(const QCommandLineParser& parser, const AudioOptions& options) {
    AudioOptionsParse parse;
    bool ok = false;
    const QString rateText = parser.value(options.rate);
    const uint rate = rateText.toUInt(&ok);
    if (!ok || !IsSampleRate(rate)) {
        parse.error = "--rate " + rateText.toStdString() + ": give " + RateList();
        return parse;
    }
    parse.render.rate = rate;
    const QString levelText = parser.value(options.level);
    const int level = levelText.toInt(&ok);
    if (!ok || level < 1 || level > 100) {
        parse.error = "--level " + levelText.toStdString() + ": give a percentage from 1 to 100";
        return parse;
    }
    parse.render.levelPercent = level;
    parse.render.invert = parser.isSet(options.invert);
    return parse;
}

bool AnySet(const QCommandLineParser& parser, const AudioOptions& options) {
    return parser.isSet(options.rate) || parser.isSet(options.invert) ||
           parser.isSet(options.level);
}

} // namespace bitreel::cli
