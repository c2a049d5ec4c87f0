#pragma once

#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"
#include "transfer/TransferSteps.h"

#include <string>
#include <system_error>

namespace bitreel {

// What a run over the line or into a file does around its body.
template <typename Abandon, typename Release, typename Complete> struct RunSteps {
    // Exit came in a yield: what is let go before the run ends there, telling
    // no one.
    Abandon abandon;
    // Let go as the run ends, before the front end is told.
    Release release;
    // Fills in what the result says of the file written.
    Complete complete;
};
// Written out for the compilers that do not yet deduce an aggregate's
// arguments.
template <typename Abandon, typename Release, typename Complete>
RunSteps(Abandon, Release, Complete) -> RunSteps<Abandon, Release, Complete>;

// The run of a transfer: the body's result, or the failure its error means
// (the line's, or the file's as fileFailure words it), then the steps that
// release it and the front end told. An error that is neither the line's
// nor the file's still releases the run and the front end, then goes on to
// end the program. `count` (rows sent, blocks recorded) is read as the run
// ends.
template <typename Body, typename FileFailure, typename Abandon, typename Release,
          typename Complete>
TransferResult RunTransfer(TransferFrontEnd& frontEnd, Transfer transfer, const int& count,
                           Body&& body, FileFailure&& fileFailure,
                           RunSteps<Abandon, Release, Complete> steps) {
    const auto failure = [&](std::string reason) {
        return TransferResult{TransferResult::Ending::Failed, std::move(reason), count};
    };
    frontEnd.RunStarts(transfer);
    TransferResult result;
    try {
        result = body();
    } catch (const TransferAbandoned&) {
        steps.abandon();
        return {TransferResult::Ending::Stopped, {}, count};
    } catch (const PortError& error) {
        result = failure(error.what());
    } catch (const std::system_error& error) {
        result = failure(fileFailure(error));
    } catch (...) {
        steps.release();
        RunGuarded([&] { frontEnd.RunEnds(transfer, failure("Unexpected error")); });
        throw;
    }
    steps.release();
    steps.complete(result);
    RunGuarded([&] { frontEnd.RunEnds(transfer, result); });
    return result;
}

} // namespace bitreel
