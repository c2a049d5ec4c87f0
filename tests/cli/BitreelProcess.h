#pragma once

// The real bitreel executable run as a script runs it, in a folder of the test's.

#include <QProcess>
#include <QStringList>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace bitreel::test {

// Generous: the waits end on conditions, never on the clock, unless a run is broken.
inline constexpr int Timeout = 20000;

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

// A bitreel process in a folder of the test's.
class Bitreel {
public:
    Bitreel(const QStringList& arguments,
            const std::filesystem::path& folder = std::filesystem::temp_directory_path()) {
        process_.setWorkingDirectory(QString::fromStdString(folder.string()));
        process_.start(QStringLiteral(BITREEL_EXECUTABLE), arguments);
        if (!process_.waitForStarted(Timeout)) {
            throw std::runtime_error("bitreel did not start");
        }
    }

    // Reads standard error until it holds text.
    bool WaitForError(const std::string& text) {
        return WaitFor(QProcess::StandardError, err_, text);
    }
    bool WaitForOutput(const std::string& text) {
        return WaitFor(QProcess::StandardOutput, out_, text);
    }

    // What a user types on standard input, and its end.
    void Type(const std::string& text) {
        process_.write(text.data(), static_cast<qint64>(text.size()));
    }
    void EndInput() { process_.closeWriteChannel(); }

    void Signal(int signal) { ::kill(static_cast<pid_t>(process_.processId()), signal); }

    // A run that plays in real time (through the sound card) takes a longer wait.
    Ran Finish(int timeout = Timeout) {
        if (!process_.waitForFinished(timeout)) {
            process_.kill();
            process_.waitForFinished(Timeout);
            return {-1, out_, err_};
        }
        out_ += process_.readAllStandardOutput().toStdString();
        err_ += process_.readAllStandardError().toStdString();
        const int status = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
        return {status, out_, err_};
    }

private:
    bool WaitFor(QProcess::ProcessChannel channel, std::string& seen, const std::string& text) {
        process_.setReadChannel(channel);
        while (seen.find(text) == std::string::npos) {
            if (process_.bytesAvailable() == 0 && !process_.waitForReadyRead(Timeout)) {
                return false;
            }
            seen += process_.readAll().toStdString();
        }
        return true;
    }

    QProcess process_;
    std::string out_;
    std::string err_;
};

inline Ran
RunBitreel(const QStringList& arguments,
           const std::filesystem::path& folder = std::filesystem::temp_directory_path()) {
    return Bitreel(arguments, folder).Finish();
}

// The same with arguments as bytes, which QProcess would take for UTF-8
// text: a file name that is not UTF-8 goes as it is. An argument holds no '.
inline Ran RunBitreelWithBytes(const std::vector<std::string>& arguments,
                               const std::filesystem::path& folder) {
    const std::filesystem::path streams =
        std::filesystem::temp_directory_path() / ("bitreel-streams-" + std::to_string(::getpid()));
    std::string command = "cd '" + folder.string() + "' && '" BITREEL_EXECUTABLE "'";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += " >'" + streams.string() + ".out' 2>'" + streams.string() + ".err' </dev/null";
    const int status = std::system(command.c_str());
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::filesystem::remove(path);
        return text;
    };
    Ran ran;
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ran.out = read(streams.string() + ".out");
    ran.err = read(streams.string() + ".err");
    return ran;
}

inline QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// The lines of what a run printed, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace bitreel::test
