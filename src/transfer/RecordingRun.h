#pragma once

#include "transfer/OutputFile.h"
#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"
#include "transfer/TransferSteps.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace bitreel {

// The run of a recording, over the line or from the sound card: the body's
// result, or the failure its error means, and the file closed before the
// front end is told. Abandoned by Exit, the run ends where it is and tells
// no one. An error that is neither the line's nor the file's still releases
// the front end, then goes on to end the program. `blocks` is read as the
// run ends; `written` fills in what the file holds.
template <typename Body, typename Written>
TransferResult RunRecording(TransferFrontEnd& frontEnd, std::optional<OutputFile>& file,
                            const int& blocks, const std::filesystem::path& output, Body&& body,
                            Written&& written) {
    const auto failure = [&](std::string reason) {
        return TransferResult{TransferResult::Ending::Failed, std::move(reason), blocks};
    };
    frontEnd.RunStarts(Transfer::Record);
    TransferResult result;
    try {
        result = body();
    } catch (const TransferAbandoned&) {
        file.reset();
        return {TransferResult::Ending::Stopped, {}, blocks};
    } catch (const PortError& error) {
        result = failure(error.what());
    } catch (const std::system_error& error) {
        result = failure(FileFailure("Cannot write", output, error));
    } catch (...) {
        file.reset();
        RunGuarded([&] { frontEnd.RunEnds(Transfer::Record, failure("Unexpected error")); });
        throw;
    }
    file.reset();
    written(result);
    RunGuarded([&] { frontEnd.RunEnds(Transfer::Record, result); });
    return result;
}

} // namespace bitreel
