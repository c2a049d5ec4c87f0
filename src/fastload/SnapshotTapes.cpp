#include "fastload/SnapshotTapes.h"

#include "fastload/LoadingTape.h"
#include "tape/formats/SnapshotHook.h"
#include "tape/snapshot/SnapshotError.h"

namespace bitreel::fastload {

void InstallSnapshotTapes(unsigned speed) {
    InstallSnapshotTapeBuilder([speed](const Snapshot& snapshot) {
        try {
            return LoadingTapeTzx(snapshot, speed);
        } catch (const SnapshotRefused& refused) {
            throw SnapshotFailure(SnapshotError::NoLoaderRoom, refused.what());
        }
    });
}

} // namespace bitreel::fastload
