#include "app/browser/OpenFiles.h"

#include <iterator>
#include <utility>

namespace bitreel {

OpenFiles::Hold::Hold(Hold&& other) noexcept
    : files_(std::exchange(other.files_, nullptr)), id_(other.id_) {}

OpenFiles::Hold::~Hold() {
    if (files_) {
        files_->closers_.erase(id_);
    }
}

OpenFiles::Hold OpenFiles::Keep(Closer close) {
    const int id = nextId_++;
    closers_.emplace(id, std::move(close));
    return Hold(this, id);
}

void OpenFiles::CloseAll() {
    while (!closers_.empty()) {
        auto newest = std::prev(closers_.end());
        Closer close = std::move(newest->second);
        closers_.erase(newest);
        close();
    }
}

} // namespace bitreel
