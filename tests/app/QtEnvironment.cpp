// One QApplication for every test of the window, on the offscreen platform.
#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // The offscreen platform's own screen is 800 pixels wide: a dialog
        // sized to its contents in a wide font could meet its edge. Its
        // screen here is a common desktop's, 1920 by 1080.
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        if (platform.isEmpty() || platform == "offscreen") {
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" BITREEL_OFFSCREEN_SCREEN);
        }
        // Settings that Qt keeps, such as a file dialog's columns, go to a
        // folder of the tests' own, not the user's.
        QStandardPaths::setTestModeEnabled(true);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }
    // A test that ends the program from inside the event loop (the real
    // Exit) leaves the application running: it must not be destroyed under
    // its own event handling while the program ends.
    ~QtEnvironment() override { static_cast<void>(app_.release()); }

private:
    char name_[10] = "app_tests";
    char* argv_[2] = {name_, nullptr};
    int argc_ = 1;
    std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
