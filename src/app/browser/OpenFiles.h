#pragma once

#include <functional>
#include <map>

namespace bitreel {

// The files a handler holds open across yields to the event loop (the tape
// image of a transfer), so that Exit can close every one of them before it
// ends the program.
class OpenFiles {
public:
    using Closer = std::function<void()>;

    // While a Hold lives, CloseAll runs its closer; it lets go when it goes.
    class Hold {
    public:
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&&) = delete;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();

    private:
        friend class OpenFiles;
        Hold(OpenFiles* files, int id) : files_(files), id_(id) {}
        OpenFiles* files_;
        int id_;
    };

    OpenFiles() = default;
    OpenFiles(const OpenFiles&) = delete;
    OpenFiles& operator=(const OpenFiles&) = delete;

    // Registers how to close one open file.
    [[nodiscard]] Hold Keep(Closer close);

    // Closes every file still held, the newest first; each closer runs once.
    void CloseAll();

    [[nodiscard]] bool Empty() const { return closers_.empty(); }

private:
    std::map<int, Closer> closers_;
    int nextId_ = 0;
};

} // namespace bitreel
